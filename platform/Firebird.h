#pragma once
// A thin RAII layer over the Firebird client's isc_ interface: attachments, transactions and
// prepared statements with typed parameters and results. Every failure raises EIBError with the
// client's own message.

#include "Errors.h"
#include "FbConversions.h"
#include "FbErrors.h"
#include "Values.h"

#include <ibase.h>

#include <QString>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

// A parameter value that does not fit the variable the server described for it, or does not convert
// to its type. A statement knows its parameters by position only; a caller that knows their table
// and columns names them with ForColumn.
class EParameterRangeError : public ERangeError {
public:
    // `problem` says what is wrong with the value, before the parameter or column it names.
    EParameterRangeError(QString value, int index, QString problem = QStringLiteral("does not fit"))
        : ERangeError(QString("%1 %2 parameter %3").arg(value, problem).arg(index + 1)),
          value_(std::move(value)), problem_(std::move(problem)), index_(index) {}
    int Index() const { return index_; } // 0-based
    EColumnRangeError ForColumn(const QString& table, const QString& column) const {
        return EColumnRangeError(QString("%1 %2 column %3 of table %4").arg(value_, problem_, column, table));
    }

private:
    QString value_;
    QString problem_;
    int index_;
};

class FbAttachment {
public:
    FbAttachment() = default;
    ~FbAttachment();
    FbAttachment(const FbAttachment&) = delete;
    FbAttachment& operator=(const FbAttachment&) = delete;

    // A path without a host opens through the embedded engine, in this process. Without garbage
    // collection, reading leaves the file's pages as they were: old record versions stay.
    void Attach(const QString& path, const QString& user, const QString& password, const QString& charset,
                bool garbageCollection = true);
    void Detach();
    // Asks the database whether the attachment still answers; raises the failure when it does not.
    void Ping();
    bool Attached() const { return handle_ != 0; }
    isc_db_handle* Handle() { return &handle_; }
    // How many inserts, updates and deletes this attachment has made in each table since it
    // attached (by relation id), its triggers and their dynamic SQL included. The counts only
    // grow: an unchanged count means the table was not written.
    std::unordered_map<int, uint64_t> WriteCounts();
    // Whether the database writes its pages through to the disk at each commit (forced writes).
    bool ForcedWrites();

    // Creates a database file of that SQL dialect and leaves this attachment on it.
    void Create(const QString& path, const QString& user, const QString& password, const QString& charset,
                unsigned short dialect = 3);

private:
    isc_db_handle handle_ = 0;
};

class FbTransaction {
public:
    FbTransaction() = default;
    ~FbTransaction(); // a transaction still running here is rolled back
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;

    // read_committed, rec_version, nowait: each statement sees the latest committed rows and a
    // locked row fails at once instead of waiting.
    void Start(FbAttachment& db);
    void CommitRetaining();
    // Undoes what was written since the last commit; the transaction goes on.
    void RollbackRetaining();
    void Commit();
    void Rollback();
    bool Active() const { return handle_ != 0; }
    isc_tr_handle* Handle() { return &handle_; }

private:
    isc_tr_handle handle_ = 0;
};

struct FbColumn {
    QString name; // the alias when the statement gives one
    short type;   // SQL_ type without the nullable bit
    short scale;  // negative decimals of exact numerics
    short length; // bytes of text columns
};

class FbStatement {
public:
    FbStatement(FbAttachment& db, FbTransaction& tr, const QString& sql);
    ~FbStatement();
    FbStatement(const FbStatement&) = delete;
    FbStatement& operator=(const FbStatement&) = delete;

    const QString& Sql() const { return sql_; }
    const std::vector<FbColumn>& Columns() const { return columns_; }
    bool IsSelect() const { return isSelect_; }

    // Runs the statement with one value per parameter; a select opens its cursor, a statement that
    // gives back one row (INSERT ... RETURNING, EXECUTE PROCEDURE) takes it into Returned.
    void Execute(FbTransaction& tr, std::span<const TValue> params);
    // The row the last run gave back, when it returns one.
    const std::vector<TValue>& Returned() const { return returned_; }
    // The next row of the open cursor; false at the end, where the cursor is closed.
    bool Fetch(std::vector<TValue>& row);
    void CloseCursor();
    // Rows changed by the last insert, update or delete.
    long RowsAffected();

private:
    struct Sqlda;
    void BindParams(std::span<const TValue> params);
    // One parameter that is not NULL into its variable.
    void BindParam(int index, const TValue& value);
    void AllocateOutput();
    void ReadOutput(std::vector<TValue>& row);
    // A BLOB's whole content, and a new BLOB of these bytes, in the transaction of the last run.
    QByteArray ReadBlob(const ISC_QUAD& id);
    ISC_QUAD WriteBlob(const QByteArray& bytes);
    // A BLOB's bytes as a value of its sub_type, and a value as the bytes of one.
    static QString BlobValue(const QByteArray& bytes, short subtype);
    static QByteArray BlobBytes(const TValue& v, short subtype);

    FbAttachment& db_;
    FbTransaction* tr_ = nullptr; // the transaction of the last run
    QString sql_;
    isc_stmt_handle handle_ = 0;
    bool isSelect_ = false;
    bool returnsRow_ = false;
    bool cursorOpen_ = false;
    std::unique_ptr<Sqlda> in_;
    std::unique_ptr<Sqlda> out_;
    std::vector<FbColumn> columns_;
    std::vector<TValue> returned_;
};
