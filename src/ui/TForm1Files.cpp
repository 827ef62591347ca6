// TForm1: the file menu and the frame capture of the animation tick.
#include "ui/TForm1.h"

// The file commands arrive with the configuration, layer and picture files; until then the
// menu items are in place and do nothing.

void TForm1::Otwrz1Click()
{
}

void TForm1::Zapisz1Click()
{
}

void TForm1::Zapiszwarstw1Click()
{
}

void TForm1::Zapiszobraz1Click()
{
}

void TForm1::Start1Click()
{
}

void TForm1::Stop1Click()
{
}

void TForm1::captureFrame()
{
}
