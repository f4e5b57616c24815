#pragma once
// The database components the form is written against: a connection with its default
// transaction, connected on demand, and the statements prepared on it, reused by their text.

#include "Firebird.h"
#include "StopRequest.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

class TIBTransaction;

// Sees every statement the destination runs and every commit (the benchmark records them).
class TStatementObserver {
public:
    virtual ~TStatementObserver() = default;
    virtual void Executed(const QString& sql, std::span<const TValue> params) = 0;
    virtual void Committed(bool retaining) = 0;
};

// The kinds of write a trigger fires on.
enum class TWriteKind { Insert = 1, Update = 2, Delete = 3 };

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
    // The destination's own triggers wrote rows of the table (an empty name: may have written any
    // table) that no component of this connection wrote.
    virtual void TableOutOfDate(const QString& table) = 0;
};

// Told of each row a component of the connection wrote, by its table and key, and of each commit
// retaining just before it is made: what the journal keeps up to there is what the commit keeps.
class TWriteJournal {
public:
    virtual ~TWriteJournal() = default;
    virtual void RowWritten(const QString& table, TWriteKind kind, const QString& key) = 0;
    virtual void Committing() = 0;
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
    // The same, but each running transaction is rolled back to its last commit: what was written
    // since is not kept.
    void CloseRollingBack();
    // The first operation on a disconnected database connects it again.
    void EnsureConnected();
    // Whether the connection is open but gone beneath it (the engine shut down, the server or the
    // network lost): asks the database, so that a failure is not taken for what its code says.
    bool ConnectionLost();

    FbAttachment& Attachment() { return attachment_; }
    // The statement of this text, prepared once on this connection.
    FbStatement& Prepare(const QString& sql, TIBTransaction& tr);
    // Runs a prepared statement, telling the observer first.
    void Execute(FbStatement& st, TIBTransaction& tr, std::span<const TValue> params);

    // Runs a prepared insert, update or delete of the table. The triggers it fires that may write
    // other rows are watched: the tables they wrote are told to the listeners as out of date.
    void ExecuteWrite(FbStatement& st, TIBTransaction& tr, std::span<const TValue> params,
                      const QString& table, TWriteKind kind);
    // Runs a commit of the transaction, watching the database's triggers on commit and on
    // transaction start alike.
    void ExecuteCommit(TIBTransaction& tr, const std::function<void()>& commit);

    // Whether an active user trigger may write rows of the table other than the one it fires for:
    // one that names the table in a statement (reading counts as writing), itself or through the
    // views, procedures, functions and packages it reaches, or any trigger that can reach dynamic
    // SQL. A trigger that only changes its own row (NEW.column) does not write its table.
    bool WrittenByTriggers(const QString& table, TIBTransaction& tr);
    // The active BEFORE INSERT triggers of the table that may store a row under another key than
    // the one given: those that name one of these key columns (reading it counts, as the guard
    // IF (NEW.key IS NULL) does), and those whose body cannot be seen. An insert into such a table
    // takes the stored key back (RETURNING).
    QStringList KeyReplacers(const QString& table, const QStringList& keyColumns, TIBTransaction& tr);
    // The RETURNING clause an insert into the table with these key columns ends in: empty unless a
    // trigger may replace the key. Decided once a job for each table and key.
    QString ReturningClause(const QString& table, const QStringList& keyColumns, TIBTransaction& tr);

    // The columns of the table that the destination declares NOT NULL with a DEFAULT, read once a
    // job: an insert that would give one of them NULL leaves it out, so that the default applies.
    const QSet<QString>& DefaultedColumns(const QString& table, TIBTransaction& tr);

    // An identity column of a table this connection inserted into, whose key generator stood
    // behind the largest key stored (the rows were given their keys): restarted past it, or, when
    // the destination refused that, what to restart it with and why not.
    struct TIdentityRestart {
        QString table, column;
        int64_t restartWith = 0; // the largest key stored: the identity's next key follows it
        QString statement;       // the statement that restarts it
        QString failure;         // empty: restarted
    };
    // Restarts every identity column of the tables inserted into since the last call whose next
    // key would be one already stored. It runs in `tr`, which sees what the job wrote and holds the
    // tables: what `tr` wrote is committed first, then each restart alone, so that one the
    // destination refuses is undone alone. A lost connection is raised; any other refusal is
    // returned with the statement to run.
    std::vector<TIdentityRestart> RestartIdentities(TIBTransaction& tr);

    // Checked before each statement and each commit retaining: once a stop is requested, nothing
    // more runs or is committed on this connection.
    void SetStopRequest(const TStopRequest* stop) { stop_ = stop; }
    void CheckStop() const {
        if (stop_) stop_->Check();
    }

    // The journal of the job that writes now; none between jobs.
    void SetJournal(TWriteJournal* j) { journal_ = j; }
    TWriteJournal* Journal() const { return journal_; }
    void RowWritten(const QString& table, TWriteKind kind, const QString& key) {
        if (journal_) journal_->RowWritten(table, kind, key);
    }

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
        defaulted_.clear();
        TableChanged(QString());
    }
    void AddTransaction(TIBTransaction* tr) { transactions_.push_back(tr); }
    void RemoveTransaction(TIBTransaction* tr);

private:
    QString Param(const QString& key) const;
    void CloseEnding(bool commit);
    // What the triggers a write fires may write besides its own rows.
    enum class TReach {
        None,    // only the row they fire for
        Tables,  // other rows, through this attachment: its write counts tell which tables
        Unknown, // through another attachment too (an external data source, another user, a body
                 // not kept): any table, unseen
    };
    // A BEFORE INSERT trigger: it may change the row it fires for.
    struct RowTrigger {
        QString name;
        QSet<QString> columns; // the columns of its row it names
        bool unknown;          // its body cannot be seen: it may change any of them
    };
    // The destination's active user triggers, read once a job.
    struct Triggers {
        // Per table, the reach of what fires on each kind of write (indexed by TWriteKind).
        QHash<QString, std::array<TReach, 4>> onTable;
        TReach onCommit = TReach::None; // database triggers on transaction start and commit
        QSet<QString> written;          // the tables they name, other than their own row
        bool dynamicSql = false;        // one of them can reach dynamic SQL: any table
        QHash<int, QString> relations;  // names by relation id, for the write counts
        QHash<QString, std::vector<RowTrigger>> beforeInsert; // by table
        // By table, the RETURNING clause decided for each key asked about.
        QHash<QString, std::vector<std::pair<QStringList, QString>>> returning;
    };
    const Triggers& ActiveTriggers(TIBTransaction& tr);
    class ReachWalk;
    // Runs a write or commit; afterwards every table it wrote beyond `own` rows of `table` is out
    // of date.
    void Watch(TReach reach, const QString& table, const std::function<long()>& run);
    void ReportWrites(const std::unordered_map<int, uint64_t>& before, const QString& table, long own);
    void TableOutOfDate(const QString& table);

    QString name_;
    FbAttachment attachment_;
    TIBTransaction* defaultTransaction_ = nullptr;
    std::vector<TIBTransaction*> transactions_;
    std::vector<std::pair<const void*, std::function<void()>>> closeHandlers_;
    std::vector<TTableWriteListener*> writeListeners_;
    QHash<QString, std::shared_ptr<FbStatement>> statements_;
    TStatementObserver* observer_ = nullptr;
    TWriteJournal* journal_ = nullptr;
    const TStopRequest* stop_ = nullptr;
    std::optional<Triggers> triggers_;
    QHash<QString, QSet<QString>> defaulted_; // DefaultedColumns, by table
    QSet<QString> inserted_;                  // the tables inserted into since the last restart
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
