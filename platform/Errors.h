#pragma once
// Exceptions of the class library: each carries the message text shown to the operator.

#include <QString>
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A text that does not convert to the type asked for.
class EConvertError : public Exception {
    using Exception::Exception;
};

// Misuse of a dataset or a field: a required field left empty, a field that does not exist.
class EDatabaseError : public Exception {
    using Exception::Exception;
};

// A value outside the range of the field it is written to.
class ERangeError : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};

// An error reported by the database client; the message is the client's own text.
class EIBError : public Exception {
public:
    EIBError(QString message, long gdsCode, long sqlCode)
        : Exception(std::move(message)), gdsCode_(gdsCode), sqlCode_(sqlCode) {}
    long GdsCode() const { return gdsCode_; }
    long SqlCode() const { return sqlCode_; }

private:
    long gdsCode_;
    long sqlCode_;
};

// The message of any exception that reaches an event handler's boundary.
inline QString ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
    return QString::fromUtf8(e.what());
}
