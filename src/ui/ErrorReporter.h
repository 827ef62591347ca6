#pragma once
// ErrorReporter: the one place that turns an exception escaping a handler into the program's
// error box (title "Tessavo", the message with a full stop appended when it lacks one).
// Tests replace show() to record the messages instead of opening a modal box. While a box is
// open (show() has not returned) showing() is true, so errors that repeat on every animation
// tick can wait instead of piling boxes on top of each other.
#include <QString>

#include <exception>

class QWidget;

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;

    // The text the box shows for an exception: the message of a std::exception (an AppError
    // is one) with a full stop appended when it does not end with one; any other thrown
    // object gives an empty text.
    static QString messageFor(std::exception_ptr error);

    // Shows the error of `error`; never throws.
    void report(std::exception_ptr error) noexcept;

    // Shows one message. The default opens the standard modal error box.
    virtual void show(const QString& message);

    // A message is being shown: report() has called show(), which has not returned yet.
    bool showing() const { return showing_; }

private:
    bool showing_ = false;
};
