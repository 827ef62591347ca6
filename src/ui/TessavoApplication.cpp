#include "ui/TessavoApplication.h"

#include "ui/WindowFont.h"

TessavoApplication::TessavoApplication(int& argc, char** argv, ErrorReporter* reporter)
    : QApplication(argc, argv)
    , reporter_(reporter ? reporter : &defaultReporter_)
{
    setApplicationName(QStringLiteral("Tessavo"));
    setApplicationVersion(QStringLiteral("1.5"));
    // One font for everything the program shows: the window's controls set it themselves, but
    // drop-down menus, message boxes and file dialogs are windows of their own and take the
    // application's font.
    setFont(windowFont());
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
