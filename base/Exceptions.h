#pragma once
// The program's exception types. Every error that a handler may raise derives from TException,
// so the one place that reports errors on the event thread (HandlerGuard) can show any of them.

#include <QString>
#include <exception>

class TException : public std::exception {
public:
    explicit TException(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// Raised by the strict string-to-integer conversion.
class EConvertError : public TException {
public:
    using TException::TException;
};

// A file could not be created or written ("Cannot create file ...").
class EFCreateError : public TException {
public:
    using TException::TException;
};
