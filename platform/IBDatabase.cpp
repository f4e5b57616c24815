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

void TIBDatabase::Close() {
    if (!Connected()) return;
    for (auto& [owner, close] : closeHandlers_)
        close();
    statements_.clear();
    triggers_.reset();
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

namespace {
// RDB$DEPENDENCIES' kinds of object.
constexpr int64_t kRelation = 0, kView = 1, kTrigger = 2, kProcedure = 5, kFunction = 15, kPackage = 18,
                  kPackageBody = 19;

// What a trigger may write or call through: views and routines.
bool IsFollowed(int64_t kind) {
    return kind == kView || kind == kProcedure || kind == kFunction || kind == kPackage ||
           kind == kPackageBody;
}

// A body that runs dynamic SQL, or one whose text the destination does not keep (it may).
QString RunsDynamicSql(const char* source) {
    return QString("(%1 IS NULL OR UPPER(%1) SIMILAR TO '%EXECUTE[[:WHITESPACE:]]+STATEMENT%')")
        .arg(QLatin1String(source));
}
} // namespace

bool TIBDatabase::Count(const QString& sql, TIBTransaction& tr, std::span<const TValue> params) {
    FbStatement& st = Prepare(sql, tr);
    Execute(st, tr, params);
    std::vector<TValue> row;
    const bool found = st.Fetch(row) && std::get<int64_t>(row[0]) > 0;
    st.CloseCursor();
    return found;
}

bool TIBDatabase::RoutineRunsDynamicSql(const QString& name, int64_t kind, TIBTransaction& tr) {
    const TValue named[] = {name};
    switch (kind) {
    case kProcedure:
        return Count("SELECT COUNT(*) FROM RDB$PROCEDURES P WHERE P.RDB$PROCEDURE_NAME = ? AND "
                     "P.RDB$PACKAGE_NAME IS NULL AND " +
                         RunsDynamicSql("P.RDB$PROCEDURE_SOURCE"),
                     tr, named);
    case kFunction: // an external function of the old kind runs no SQL
        return Count("SELECT COUNT(*) FROM RDB$FUNCTIONS F WHERE F.RDB$FUNCTION_NAME = ? AND "
                     "F.RDB$PACKAGE_NAME IS NULL AND COALESCE(F.RDB$LEGACY_FLAG, 0) = 0 AND " +
                         RunsDynamicSql("F.RDB$FUNCTION_SOURCE"),
                     tr, named);
    case kPackageBody:
        return Count("SELECT COUNT(*) FROM RDB$PACKAGES P WHERE P.RDB$PACKAGE_NAME = ? AND " +
                         RunsDynamicSql("P.RDB$PACKAGE_BODY_SOURCE"),
                     tr, named);
    default: // a view has no body of its own; what its columns call is followed from it
        return false;
    }
}

const TIBDatabase::Triggers& TIBDatabase::ActiveTriggers(TIBTransaction& tr) {
    if (triggers_) return *triggers_;
    // Every active user trigger (the triggers of CHECK and foreign-key constraints are the
    // system's and write nothing of their own) and the table it is defined on, if any.
    Triggers found;
    FbStatement& triggers =
        Prepare("SELECT TRIM(T.RDB$TRIGGER_NAME), TRIM(T.RDB$RELATION_NAME), IIF(" +
                    RunsDynamicSql("T.RDB$TRIGGER_SOURCE") +
                    ", 1, 0) FROM RDB$TRIGGERS T WHERE COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 AND "
                    "COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0",
                tr);
    Execute(triggers, tr, {});
    std::vector<QString> pending;
    std::vector<TValue> row;
    while (triggers.Fetch(row)) {
        found.names.insert(std::get<QString>(row[0]));
        if (!IsNull(row[1])) found.tables.insert(std::get<QString>(row[1]));
        found.dynamicSql = found.dynamicSql || std::get<int64_t>(row[2]) != 0;
        pending.push_back(std::get<QString>(row[0]));
    }
    // Dynamic SQL may also lie in what a trigger calls: views, procedures, functions and packages,
    // each of which may call more. A packaged routine is called under its package's name.
    FbStatement& called =
        Prepare("SELECT TRIM(D.RDB$DEPENDED_ON_NAME), D.RDB$DEPENDED_ON_TYPE, TRIM(D.RDB$PACKAGE_NAME) "
                "FROM RDB$DEPENDENCIES D WHERE D.RDB$DEPENDENT_NAME = ?",
                tr);
    QSet<QString> seen;
    while (!found.dynamicSql && !pending.empty()) {
        const TValue of[] = {pending.back()};
        pending.pop_back();
        Execute(called, tr, of);
        std::vector<std::pair<QString, int64_t>> routines;
        while (called.Fetch(row)) {
            const int64_t kind = std::get<int64_t>(row[1]);
            if (!IsFollowed(kind)) continue;
            if (!IsNull(row[2])) // a packaged routine: its package's body holds it
                routines.emplace_back(std::get<QString>(row[2]), kPackageBody);
            else
                routines.emplace_back(std::get<QString>(row[0]), kind == kPackage ? kPackageBody : kind);
        }
        for (const auto& [routine, kind] : routines) {
            const QString key = QString::number(kind) + ':' + routine;
            if (seen.contains(key)) continue;
            seen.insert(key);
            found.dynamicSql = RoutineRunsDynamicSql(routine, kind, tr);
            if (found.dynamicSql) break;
            pending.push_back(routine);
        }
    }
    triggers_ = std::move(found);
    return *triggers_;
}

bool TIBDatabase::WrittenByTriggers(const QString& table, TIBTransaction& tr) {
    const Triggers& active = ActiveTriggers(tr);
    // Dynamic SQL leaves no dependency behind: a trigger that can reach it may write any table.
    if (active.dynamicSql || active.tables.contains(table)) return true;
    if (active.names.isEmpty()) return false;
    // A trigger that names the table, or a view over it, or calls what does: views (of views),
    // procedures, functions and packages are followed to the end. A package's routines are named
    // by their callers under the package. What names the table may only read it; it is taken as
    // writing it all the same.
    FbStatement& users =
        Prepare("SELECT TRIM(D.RDB$DEPENDENT_NAME), D.RDB$DEPENDENT_TYPE FROM RDB$DEPENDENCIES D "
                "WHERE D.RDB$DEPENDED_ON_NAME = ? AND D.RDB$PACKAGE_NAME IS NULL",
                tr);
    FbStatement& packageUsers = Prepare("SELECT TRIM(D.RDB$DEPENDENT_NAME), D.RDB$DEPENDENT_TYPE FROM "
                                        "RDB$DEPENDENCIES D WHERE D.RDB$PACKAGE_NAME = ?",
                                        tr);
    std::vector<std::pair<QString, int64_t>> pending{{table, kRelation}};
    QSet<QString> seen;
    while (!pending.empty()) {
        const auto [name, kind] = pending.back();
        pending.pop_back();
        FbStatement& st = kind == kPackage || kind == kPackageBody ? packageUsers : users;
        const TValue on[] = {name};
        Execute(st, tr, on);
        std::vector<std::pair<QString, int64_t>> dependants;
        std::vector<TValue> row;
        while (st.Fetch(row))
            dependants.emplace_back(std::get<QString>(row[0]), std::get<int64_t>(row[1]));
        for (const auto& [dependant, dependantKind] : dependants) {
            if (dependantKind == kTrigger && active.names.contains(dependant)) return true;
            const QString key = QString::number(dependantKind) + ':' + dependant;
            if (IsFollowed(dependantKind) && !seen.contains(key)) {
                seen.insert(key);
                pending.emplace_back(dependant, dependantKind);
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
