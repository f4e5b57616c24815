#include "IBDatabase.h"

#include "Errors.h"

#include <QSet>

#include <algorithm>

TIBDatabase::TIBDatabase(QString name) : name_(std::move(name)) {}

TIBDatabase::~TIBDatabase() {
    try {
        Close();
    } catch (...) {
        // Nothing can be reported while the form is being destroyed.
    }
}

QString TIBDatabase::Param(const QString& key) const {
    for (const QString& p : Params)
        if (p.startsWith(key + '=', Qt::CaseInsensitive)) return p.mid(key.size() + 1);
    return {};
}

void TIBDatabase::SetConnected(bool on) {
    if (on)
        Open();
    else
        Close();
}

void TIBDatabase::Open() {
    if (Connected()) return;
    attachment_.Attach(DatabaseName, Param("user_name"), Param("password"), Param("lc_ctype"));
}

void TIBDatabase::EnsureConnected() {
    Open();
}

void TIBDatabase::Close() {
    if (!Connected()) return;
    for (auto& [owner, close] : closeHandlers_)
        close();
    statements_.clear();
    std::exception_ptr failure;
    for (TIBTransaction* tr : transactions_) {
        if (!tr->InTransaction()) continue;
        try {
            tr->Commit();
            if (observer_) observer_->Committed(false);
        } catch (...) {
            // The connection must still close: what could not be committed is rolled back.
            if (!failure) failure = std::current_exception();
            try {
                tr->Rollback();
            } catch (...) {
            }
        }
    }
    attachment_.Detach();
    if (failure) std::rethrow_exception(failure);
}

FbStatement& TIBDatabase::Prepare(const QString& sql, TIBTransaction& tr) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return **it;
    tr.EnsureStarted();
    auto st = std::make_shared<FbStatement>(attachment_, tr.Handle(), sql);
    statements_.insert(sql, st);
    return *st;
}

void TIBDatabase::Execute(FbStatement& st, TIBTransaction& tr, std::span<const TValue> params) {
    tr.EnsureStarted();
    if (observer_) observer_->Executed(st.Sql(), params);
    st.Execute(tr.Handle(), params);
}

bool TIBDatabase::WrittenByTriggers(const QString& table, TIBTransaction& tr) {
    // An active user trigger (the triggers of CHECK and foreign-key constraints are the system's
    // and write nothing of their own) on the table itself, or of a given name.
    auto anyTrigger = [&](const char* column, const QString& name) {
        FbStatement& st = Prepare(QString("SELECT COUNT(*) FROM RDB$TRIGGERS T WHERE T.%1 = ? AND "
                                          "COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 AND "
                                          "COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0")
                                      .arg(QLatin1String(column)),
                                  tr);
        const TValue named[] = {name};
        Execute(st, tr, named);
        std::vector<TValue> row;
        const bool found = st.Fetch(row) && std::get<int64_t>(row[0]) > 0;
        st.CloseCursor();
        return found;
    };
    if (anyTrigger("RDB$RELATION_NAME", table)) return true;
    // A trigger on any table that names it, itself or through the procedures and functions it
    // calls. What names the table may only read it; it is taken as writing it all the same.
    constexpr int64_t kRelation = 0, kTrigger = 2, kProcedure = 5, kFunction = 15;
    FbStatement& users =
        Prepare("SELECT TRIM(D.RDB$DEPENDENT_NAME), D.RDB$DEPENDENT_TYPE FROM RDB$DEPENDENCIES D "
                "WHERE D.RDB$DEPENDED_ON_NAME = ? AND D.RDB$DEPENDED_ON_TYPE = ?",
                tr);
    std::vector<std::pair<QString, int64_t>> pending{{table, kRelation}};
    QSet<QString> seen;
    while (!pending.empty()) {
        const auto [name, type] = pending.back();
        pending.pop_back();
        std::vector<std::pair<QString, int64_t>> dependants;
        const TValue on[] = {name, type};
        Execute(users, tr, on);
        std::vector<TValue> row;
        while (users.Fetch(row))
            dependants.emplace_back(std::get<QString>(row[0]), std::get<int64_t>(row[1]));
        for (const auto& [dependant, kind] : dependants) {
            if (kind == kTrigger && anyTrigger("RDB$TRIGGER_NAME", dependant)) return true;
            if ((kind == kProcedure || kind == kFunction) &&
                !seen.contains(QString::number(kind) + ':' + dependant)) {
                seen.insert(QString::number(kind) + ':' + dependant);
                pending.emplace_back(dependant, kind);
            }
        }
    }
    return false;
}

void TIBDatabase::AddCloseHandler(const void* owner, std::function<void()> close) {
    closeHandlers_.emplace_back(owner, std::move(close));
}

void TIBDatabase::RemoveCloseHandler(const void* owner) {
    std::erase_if(closeHandlers_, [owner](const auto& h) { return h.first == owner; });
}

void TIBDatabase::RemoveWriteListener(TTableWriteListener* l) {
    std::erase(writeListeners_, l);
}

void TIBDatabase::RowInserted(const QString& table, const QStringList& columns,
                              std::span<const TValue> values) {
    for (TTableWriteListener* l : writeListeners_)
        l->RowInserted(table, columns, values);
}

void TIBDatabase::TableChanged(const QString& table) {
    for (TTableWriteListener* l : writeListeners_)
        l->TableChanged(table);
}

void TIBDatabase::RemoveTransaction(TIBTransaction* tr) {
    std::erase(transactions_, tr);
}

TIBTransaction::TIBTransaction(QString name, TIBDatabase& db) : name_(std::move(name)), db_(db) {
    db_.AddTransaction(this);
}

TIBTransaction::~TIBTransaction() {
    db_.RemoveTransaction(this);
}

void TIBTransaction::EnsureStarted() {
    if (handle_.Active()) return;
    db_.EnsureConnected();
    handle_.Start(db_.Attachment());
}

void TIBTransaction::CommitRetaining() {
    EnsureStarted();
    handle_.CommitRetaining();
    if (db_.Observer()) db_.Observer()->Committed(true);
}

void TIBTransaction::Commit() {
    if (handle_.Active()) handle_.Commit();
}

void TIBTransaction::Rollback() {
    if (handle_.Active()) handle_.Rollback();
}
