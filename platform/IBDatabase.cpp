#include "IBDatabase.h"

#include "Errors.h"

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
    attachment_.Attach(DatabaseName, Param("user_name"), Param("password"), Param("lc_ctype"),
                       !Params.contains("no_garbage_collect", Qt::CaseInsensitive));
}

void TIBDatabase::EnsureConnected() {
    Open();
}

bool TIBDatabase::ConnectionLost() {
    if (!Connected()) return false;
    try {
        attachment_.Ping();
    } catch (const EIBError& e) {
        return e.IsConnectionLost();
    }
    return false;
}

void TIBDatabase::Close() {
    CloseEnding(true);
}

void TIBDatabase::CloseRollingBack() {
    CloseEnding(false);
}

void TIBDatabase::CloseEnding(bool commit) {
    if (!Connected()) return;
    for (auto& [owner, close] : closeHandlers_)
        close();
    statements_.clear();
    triggers_.reset();
    defaulted_.clear();
    std::exception_ptr failure;
    for (TIBTransaction* tr : transactions_) {
        if (!tr->InTransaction()) continue;
        try {
            if (commit) {
                tr->Commit();
                if (observer_) observer_->Committed(false);
            } else {
                tr->Rollback();
            }
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
    CheckStop();
    tr.EnsureStarted();
    if (observer_) observer_->Executed(st.Sql(), params);
    st.Execute(tr.Handle(), params);
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
    db_.CheckStop();
    EnsureStarted();
    db_.ExecuteCommit(*this, [this] {
        // Told last, right before the commit itself: nothing in between can stop it.
        if (TWriteJournal* journal = db_.Journal()) journal->Committing();
        handle_.CommitRetaining();
    });
    if (db_.Observer()) db_.Observer()->Committed(true);
}

void TIBTransaction::Commit() {
    if (handle_.Active()) handle_.Commit();
}

void TIBTransaction::Rollback() {
    if (handle_.Active()) handle_.Rollback();
}
