// TForm1: the analysis menu and the analysis window beside the main window.
#include "ui/TForm1.h"

#include "files/IniFile.h"
#include "ui/AnalysisWindow.h"

#include <QAction>
#include <QMenu>

#include <cstring>

void TForm1::buildAnalysis()
{
    analysisWindow_ = new AnalysisWindow(*this);
}

void TForm1::Pokaz1Click()
{
    AnalysisWindow* window = analysisWindow_;
    if (!window->testAttribute(Qt::WA_WState_ExplicitShowHide))
        window->move(frameGeometry().topRight() + QPoint(8, 0)); // beside the main window, at first
    window->show();
    window->raise();
    window->activateWindow();
}

void TForm1::applyAnalysisCaptions(const IniFile& ini, const char* section)
{
    // Read as the window's own captions are, but never saved with them in a configuration.
    for (const Caption& c : AnalysisWindow::captionTable()) {
        const QString text = QString::fromStdString(ini.ReadString(section, c.key, c.english));
        if (std::strcmp(c.target, "AnalysisWindow") == 0)
            analysisWindow_->setText(c.key, text);
        else
            setCaption(c, text);
    }
}
