#pragma once
// The program's exception types. The program's own errors derive from TException; the standard
// library's (a table row out of range, an allocation that failed) can reach a handler too, so
// the places that report errors take any exception and describe it with ExceptionMessage.

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

// The text to show for the exception being handled; call inside a catch block. The program's
// own errors give their message, std::bad_alloc "Out of memory", any other std::exception its
// what() text, and anything else "Unknown error".
QString ExceptionMessage();
