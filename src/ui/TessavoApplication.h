#pragma once
// TessavoApplication: the application object. Its name is "Tessavo"; every exception that
// would otherwise leave an event handler into Qt's event loop ends here and is shown by the
// error reporter, and the program goes on. Menus, message boxes, file dialogs and tooltips
// get the window font, so they look like the window.
#include "ui/ErrorReporter.h"

#include <QApplication>

class TessavoApplication : public QApplication {
    Q_OBJECT
public:
    // `reporter` shows the errors; nullptr uses the standard error box.
    TessavoApplication(int& argc, char** argv, ErrorReporter* reporter = nullptr);

    bool notify(QObject* receiver, QEvent* event) override;

    ErrorReporter& reporter() { return *reporter_; }

private:
    ErrorReporter defaultReporter_;
    ErrorReporter* reporter_;
};
