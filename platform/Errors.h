#pragma once
// Exceptions of the class library: each carries the message text shown to the operator.

#include <QString>
#include <QStringList>
#include <exception>
#include <string>
#include <vector>

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

// A row this connection inserted is not where the rows written after it would look for it.
class EKeyReplacedError : public EDatabaseError {
public:
    // Not found under the key it was stored under: a trigger of the destination moved it. `key`
    // names the key's columns and values.
    EKeyReplacedError(const QString& table, const QString& key)
        : EDatabaseError(QString("The row inserted into %1 is not found under its key %2: a trigger of the "
                                 "destination gave it another key, and the rows written after it would refer "
                                 "to a key that does not exist.")
                             .arg(table, key)) {}
    // Stored under another key than the one given, where the rows written after it find it by the
    // key it was given. `given` and `stored` name the key's columns and values; `column` is the key
    // column the triggers replaced.
    EKeyReplacedError(const QString& table, const QStringList& triggers, const QString& column,
                      const QString& given, const QString& stored)
        : EDatabaseError(
              QString("The destination's %1 %2 on %3 stored the row given %4 under %5. The rows "
                      "migrated after it find it by the key it was given and would refer to another "
                      "row or to none, so the migration stops here. Let the trigger keep a key "
                      "it is given (IF (NEW.%6 IS NULL) THEN ...), or set it inactive for the "
                      "migration, and run again.")
                  .arg(triggers.size() == 1 ? "trigger" : "triggers", triggers.join(", "), table, given,
                       stored, column)) {}
};

// A value outside the range of the field it is written to.
class ERangeError : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};

// An integer that does not fit the 32 bits it is read into (a generator's value, a 64-bit key): the
// program cannot represent it, and no row is to blame.
class EIntegerRangeError : public ERangeError {
    using ERangeError::ERangeError;
};

// A value the destination column it is written to cannot hold: the database would refuse the row
// with a numeric overflow.
class EColumnRangeError : public ERangeError {
    using ERangeError::ERangeError;
};

// An error reported by the database client; the message is the client's own text. It keeps every
// GDS code of the status vector: they tell a row the database refuses from a failure of the
// database itself.
class EIBError : public Exception {
public:
    EIBError(QString message, long gdsCode, long sqlCode, std::vector<long> gdsCodes = {},
             bool preparing = false)
        : Exception(std::move(message)), gdsCode_(gdsCode), sqlCode_(sqlCode), gdsCodes_(std::move(gdsCodes)),
          preparing_(preparing) {
        if (gdsCodes_.empty() && gdsCode_ != 0) gdsCodes_.push_back(gdsCode_);
    }
    long GdsCode() const { return gdsCode_; }
    long SqlCode() const { return sqlCode_; }
    const std::vector<long>& GdsCodes() const { return gdsCodes_; }
    // Whether the database refused the row itself: anything it raised while it executed the row's
    // statement (a constraint the row breaks, a value that does not fit its column, a failure of
    // one of its triggers). A lock or update conflict, an I/O error or full disk, a lost or
    // shut-down attachment, a missing permission, a read-only database, an internal error, a
    // statement that could not be prepared and the client's own errors are no refusal, even when
    // a constraint code rides along.
    bool IsRefusal() const;
    // Whether the connection itself is gone (the engine shut down, the server or the network
    // lost): nothing is left on it to commit or to detach.
    bool IsConnectionLost() const;

private:
    long gdsCode_;
    long sqlCode_;
    std::vector<long> gdsCodes_;
    bool preparing_;
};

// Whether a failure belongs to one row, so that a guard around that row may report it and go on:
// a refusal by the database, or one of our own errors about the row's values (a conversion, a
// range, a required field). A failure of the database that is no refusal, a key the destination
// replaced, or any exception that is not ours, must end the run: the next row would only meet it
// again.
inline bool IsRowFailure(const std::exception& e) {
    // A key the destination replaced would meet every later row of the table too.
    if (dynamic_cast<const EKeyReplacedError*>(&e)) return false;
    // Every later row would meet a value the program cannot represent too.
    if (dynamic_cast<const EIntegerRangeError*>(&e)) return false;
    if (auto* ib = dynamic_cast<const EIBError*>(&e)) return ib->IsRefusal();
    return dynamic_cast<const Exception*>(&e) != nullptr;
}

// The message of any exception that reaches an event handler's boundary.
inline QString ExceptionMessage(const std::exception& e) {
    if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
    return QString::fromUtf8(e.what());
}
