// tessavo: the window of the thin-film growth simulation.
#include "ui/TAboutBox.h"
#include "ui/TForm1.h"
#include "ui/TessavoApplication.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

bool haveDisplay()
{
    // A platform chosen explicitly (offscreen, vnc ...) needs no display server.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

int main(int argc, char** argv)
{
    if (!haveDisplay()) {
        std::fprintf(stderr, "tessavo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return 1;
    }

    TessavoApplication app(argc, argv);
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TAboutBox> aboutBox;
    try {
        // The window's creation handler runs before anything is shown.
        form = std::make_unique<TForm1>(&app.reporter());
        aboutBox = std::make_unique<TAboutBox>();
        form->setAboutBox(aboutBox.get());
        form->show();
        app.exec();
    } catch (...) {
        app.reporter().report(std::current_exception());
    }
    if (form)
        form->setAboutBox(nullptr);
    return 0;
}
