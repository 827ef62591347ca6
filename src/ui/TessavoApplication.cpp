#include "ui/TessavoApplication.h"

#include "ui/WindowFont.h"

#include "ProgramVersion.h"

TessavoApplication::TessavoApplication(int& argc, char** argv, ErrorReporter* reporter)
    : QApplication(argc, argv)
    , reporter_(reporter ? reporter : &defaultReporter_)
{
    setApplicationName(QStringLiteral("Tessavo"));
    setApplicationVersion(QString::fromLatin1(programVersion));
    // One font for everything the program shows. The window's controls set it themselves, but
    // drop-down and context menus, message boxes, file dialogs and tooltips are windows of
    // their own and take the font the application keeps for their kind. The application's
    // own font stays as it is: the pictures draw their texts in it, as the batch tool does.
    for (const char* kind : {"QMenu", "QMessageBox", "QFileDialog", "QTipLabel"})
        setFont(windowFont(), kind);
}

bool TessavoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reporter_->report(std::current_exception());
        return true;
    }
}
