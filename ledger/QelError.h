#pragma once

#include <QString>

#include <exception>

// The one error type of the core. Its message is the German text the user sees;
// the window turns it into a message box, the command-line tool prints it.
class QelError : public std::exception
{
public:
    explicit QelError(QString message);

    const QString &Message() const { return Message_; }
    const char *what() const noexcept override { return Utf8_.constData(); }

private:
    QString Message_;
    QByteArray Utf8_;
};
