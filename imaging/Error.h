#pragma once
// The one error type of the program. Its message is a sentence a user understands; the error guard
// around every handler shows it in a warning box.
#include <QString>
#include <stdexcept>

class QuillonError : public std::runtime_error {
public:
    explicit QuillonError(const QString& message)
        : std::runtime_error(message.toStdString()), mMessage(message) {}
    const QString& message() const { return mMessage; }

private:
    QString mMessage;
};
