#include "ui/TessavoApplication.h"

TessavoApplication::TessavoApplication(int& argc, char** argv, ErrorReporter* reporter)
    : QApplication(argc, argv)
    , reporter_(reporter ? reporter : &defaultReporter_)
{
    setApplicationName(QStringLiteral("Tessavo"));
    setApplicationVersion(QStringLiteral("1.5"));
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
