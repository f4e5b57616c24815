#pragma once
// The database components the form is written against: a connection with its default
// transaction, connected on demand, and the statements prepared on it, reused by their text.

#include "Firebird.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class TIBTransaction;

// Sees every statement the destination runs and every commit (the benchmark records them).
class TStatementObserver {
public:
    virtual ~TStatementObserver() = default;
    virtual void Executed(const QString& sql, std::span<const TValue> params) = 0;
    virtual void Committed(bool retaining) = 0;
};

// Told of the writes made through this connection, so that what a component holds in memory of a
// table stays what the database holds.
class TTableWriteListener {
public:
    virtual ~TTableWriteListener() = default;
    // A row was inserted with these columns and values.
    virtual void RowInserted(const QString& table, const QStringList& columns,
                             std::span<const TValue> values) = 0;
    // Rows of the table changed in a way not told in detail; an empty name: any table may have.
    virtual void TableChanged(const QString& table) = 0;
};

class TIBDatabase {
public:
    explicit TIBDatabase(QString name);
    ~TIBDatabase();
    TIBDatabase(const TIBDatabase&) = delete;
    TIBDatabase& operator=(const TIBDatabase&) = delete;

    const QString& Name() const { return name_; }
    QString DatabaseName; // the file
    QStringList Params;   // "user_name=", "password=", "lc_ctype=", "no_garbage_collect"
    bool LoginPrompt = false;

    void SetDefaultTransaction(TIBTransaction* tr) { defaultTransaction_ = tr; }
    TIBTransaction* DefaultTransaction() const { return defaultTransaction_; }

    bool Connected() const { return attachment_.Attached(); }
    void SetConnected(bool on);
    void Open();
    // Ends each running transaction with its default action (a full commit), closes the
    // components that run on this connection and detaches.
    void Close();
    // The first operation on a disconnected database connects it again.
    void EnsureConnected();

    FbAttachment& Attachment() { return attachment_; }
    // The statement of this text, prepared once on this connection.
    FbStatement& Prepare(const QString& sql, TIBTransaction& tr);
    // Runs a prepared statement, telling the observer first.
    void Execute(FbStatement& st, TIBTransaction& tr, std::span<const TValue> params);

    // Whether an active user trigger is defined on the table or names it, itself or through the
    // views, procedures, functions and packages it reaches, or whether any trigger can reach
    // dynamic SQL: rows of the table may appear, or change, that no component of this connection
    // wrote.
    bool WrittenByTriggers(const QString& table, TIBTransaction& tr);

    void SetObserver(TStatementObserver* o) { observer_ = o; }
    TStatementObserver* Observer() const { return observer_; }

    // Components closed when the connection closes (table components and free queries).
    void AddCloseHandler(const void* owner, std::function<void()> close);
    void RemoveCloseHandler(const void* owner);
    void AddWriteListener(TTableWriteListener* l) { writeListeners_.push_back(l); }
    void RemoveWriteListener(TTableWriteListener* l);
    // Whether a listener is registered: a writer need not describe its rows otherwise.
    bool HasWriteListeners() const { return !writeListeners_.empty(); }
    void RowInserted(const QString& table, const QStringList& columns, std::span<const TValue> values);
    void TableChanged(const QString& table);
    // Every component lets go of the rows it holds of the destination's tables and reads them
    // anew when next used: between jobs the destination's own triggers may have written rows.
    void ReleaseHeldRows() {
        triggers_.reset();
        TableChanged(QString());
    }
    void AddTransaction(TIBTransaction* tr) { transactions_.push_back(tr); }
    void RemoveTransaction(TIBTransaction* tr);

private:
    QString Param(const QString& key) const;
    // Whether a statement's first column, a count, is above zero.
    bool Count(const QString& sql, TIBTransaction& tr, std::span<const TValue> params);
    // The destination's active user triggers, read once a job.
    struct Triggers {
        QSet<QString> names;
        QSet<QString> tables;    // the tables they are defined on
        bool dynamicSql = false; // one of them can reach EXECUTE STATEMENT
    };
    const Triggers& ActiveTriggers(TIBTransaction& tr);
    // Whether the body of a procedure, function or package runs dynamic SQL, or is not kept.
    bool RoutineRunsDynamicSql(const QString& name, int64_t kind, TIBTransaction& tr);

    QString name_;
    FbAttachment attachment_;
    TIBTransaction* defaultTransaction_ = nullptr;
    std::vector<TIBTransaction*> transactions_;
    std::vector<std::pair<const void*, std::function<void()>>> closeHandlers_;
    std::vector<TTableWriteListener*> writeListeners_;
    QHash<QString, std::shared_ptr<FbStatement>> statements_;
    TStatementObserver* observer_ = nullptr;
    std::optional<Triggers> triggers_;
};

class TIBTransaction {
public:
    TIBTransaction(QString name, TIBDatabase& db);
    ~TIBTransaction();
    TIBTransaction(const TIBTransaction&) = delete;
    TIBTransaction& operator=(const TIBTransaction&) = delete;

    const QString& Name() const { return name_; }
    QStringList Params{"read_committed", "rec_version", "nowait"};
    TIBDatabase& Database() { return db_; }

    bool InTransaction() const { return handle_.Active(); }
    // Started by the first component that needs it; connects the database when needed.
    void EnsureStarted();
    // Makes every write so far durable; the transaction and every open component go on.
    void CommitRetaining();
    void Commit();
    void Rollback();
    FbTransaction& Handle() { return handle_; }

private:
    QString name_;
    TIBDatabase& db_;
    FbTransaction handle_;
};
