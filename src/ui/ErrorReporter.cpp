#include "ui/ErrorReporter.h"

#include "ui/WindowFont.h"

#include <QApplication>
#include <QMessageBox>

QString ErrorReporter::messageFor(std::exception_ptr error)
{
    QString message;
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        // A foreign object carries no text.
    }
    if (!message.isEmpty() && !message.endsWith(QLatin1Char('.')))
        message += QLatin1Char('.');
    return message;
}

void ErrorReporter::report(std::exception_ptr error) noexcept
{
    // Boxes may nest (a handler run by the box's own event loop can fail too): the flag is
    // cleared only when the outermost box closes.
    const bool wasShowing = showing_;
    showing_ = true;
    try {
        show(messageFor(error));
    } catch (...) {
        // Showing an error must never raise another one into the event loop.
    }
    showing_ = wasShowing;
}

void ErrorReporter::show(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Tessavo"), QString(), QMessageBox::Ok,
        QApplication::activeWindow());
    // The message may quote what the user typed: show it as written, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setFont(windowFont());
    box.setText(message);
    box.exec();
}
