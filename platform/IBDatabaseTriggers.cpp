// The destination's own triggers, as they bear on the rows components hold: which triggers may
// write other rows than the one they fire for, and, around the writes and commits that fire them,
// which tables they wrote.
#include "IBDatabase.h"

#include <QMultiHash>
#include <algorithm>
#include <tuple>

namespace {
// RDB$DEPENDENCIES' kinds of object.
constexpr int64_t kRelation = 0, kView = 1, kTrigger = 2, kProcedure = 5, kFunction = 15, kPackage = 18,
                  kPackageBody = 19;
// RDB$TRIGGER_TYPE of the database triggers on transaction start and commit.
constexpr int64_t kOnTransactionStart = 8194, kOnTransactionCommit = 8195;

// What a trigger may write or call through: views and routines.
bool IsFollowed(int64_t kind) {
    return kind == kView || kind == kProcedure || kind == kFunction || kind == kPackage ||
           kind == kPackageBody;
}

// How far a body reaches, by its text: 2 when it may write through another attachment (dynamic SQL
// on an external data source or as another user or role) or its text is not kept, 1 when it runs
// dynamic SQL, 0 otherwise.
QString SourceReach(const char* source) {
    return QString("IIF(%1 IS NULL OR UPPER(%1) SIMILAR TO "
                   "'%(ON[[:WHITESPACE:]]+EXTERNAL|AS[[:WHITESPACE:]]+USER|[[:WHITESPACE:]]ROLE[[:WHITESPACE:"
                   "]])%', 2, "
                   "IIF(UPPER(%1) SIMILAR TO '%EXECUTE[[:WHITESPACE:]]+STATEMENT%', 1, 0))")
        .arg(QLatin1String(source));
}

// Whether a table trigger fires before the write, when it may still change the row: the types of
// BEFORE triggers are odd.
bool FiresBefore(int64_t type) {
    return (type & 1) == 1;
}

// The kinds of write a table trigger fires on: up to three, two bits each, in its type.
std::vector<TWriteKind> FiresOn(int64_t type) {
    std::vector<TWriteKind> kinds;
    for (int slot = 1; slot <= 3; ++slot) {
        const int64_t action = ((type + 1) >> (slot * 2 - 1)) & 3;
        if (action) kinds.push_back(static_cast<TWriteKind>(action));
    }
    return kinds;
}
} // namespace

// Follows what a trigger names, forward, to tell how far its writes reach: the tables it names
// besides its own row, the views over them, the routines it calls and the triggers its writes fire
// in turn, each asked once.
class TIBDatabase::ReachWalk {
public:
    ReachWalk(TIBDatabase& db, TIBTransaction& tr, const QMultiHash<QString, QString>& triggersOn,
              const QHash<QString, int64_t>& sourceReach)
        : db_(db), tr_(tr), triggersOn_(triggersOn), sourceReach_(sourceReach) {}

    TReach Trigger(const QString& name, const QString& table) {
        return Memo("T:" + name, [&] {
            return std::max(FromSource(sourceReach_.value(name)), Named(name, kTrigger, table));
        });
    }
    bool dynamicSql = false;
    QSet<QString> written; // every table a trigger names, reads or writes through views and routines
    QHash<QString, QSet<QString>> ownColumns; // by trigger, the columns of its own row it names

private:
    template <typename Walk>
    TReach Memo(const QString& key, Walk walk) {
        auto it = memo_.find(key);
        if (it != memo_.end()) return *it;
        memo_.insert(key, TReach::None); // a cycle adds nothing more
        const TReach reach = walk();
        memo_.insert(key, reach);
        return reach;
    }

    TReach FromSource(int64_t reach) {
        dynamicSql = dynamicSql || reach > 0;
        return reach == 2 ? TReach::Unknown : reach == 1 ? TReach::Tables : TReach::None;
    }

    // What a trigger, routine or view names. A trigger's own table named column by column is its
    // NEW and OLD row.
    TReach Named(const QString& name, int64_t kind, const QString& ownTable = {}) {
        FbStatement& st = db_.Prepare(
            "SELECT TRIM(D.RDB$DEPENDED_ON_NAME), D.RDB$DEPENDED_ON_TYPE, TRIM(D.RDB$FIELD_NAME), "
            "TRIM(D.RDB$PACKAGE_NAME) FROM RDB$DEPENDENCIES D WHERE D.RDB$DEPENDENT_NAME = ? AND "
            "D.RDB$DEPENDENT_TYPE = ?",
            tr_);
        const TValue of[] = {name, kind};
        db_.Execute(st, tr_, of);
        std::vector<std::tuple<QString, int64_t, QString, QString>> named;
        std::vector<TValue> row;
        auto text = [](const TValue& v) { return IsNull(v) ? QString() : std::get<QString>(v); };
        while (st.Fetch(row))
            named.emplace_back(std::get<QString>(row[0]), std::get<int64_t>(row[1]), text(row[2]),
                               text(row[3]));
        TReach reach = TReach::None;
        for (const auto& [on, onKind, column, package] : named) {
            if (!package.isEmpty()) // a packaged routine: its package's body holds it
                reach = std::max(reach, Routine(package, kPackageBody));
            else if (onKind == kRelation || onKind == kView) {
                if (!column.isEmpty() && on == ownTable) {
                    ownColumns[name].insert(column);
                    continue;
                }
                written.insert(on);
                reach = std::max({reach, TReach::Tables, Relation(on)});
            } else if (IsFollowed(onKind))
                reach = std::max(reach, Routine(on, onKind == kPackage ? kPackageBody : onKind));
        }
        return reach;
    }

    // A table or view written fires its own triggers; a view writes the relations under it.
    TReach Relation(const QString& name) {
        return Memo("R:" + name, [&] {
            TReach reach = TReach::None;
            for (const QString& trigger : triggersOn_.values(name))
                reach = std::max(reach, Trigger(trigger, name));
            return std::max(reach, Named(name, kView));
        });
    }

    TReach Routine(const QString& name, int64_t kind) {
        return Memo(QString::number(kind) + ':' + name,
                    [&] { return std::max(FromSource(RoutineSource(name, kind)), Named(name, kind)); });
    }

    int64_t RoutineSource(const QString& name, int64_t kind) {
        QString sql;
        switch (kind) {
        case kProcedure: // an external routine's body is not PSQL: it may do anything
            sql = "SELECT IIF(P.RDB$ENGINE_NAME IS NOT NULL, 2, " + SourceReach("P.RDB$PROCEDURE_SOURCE") +
                  ") FROM RDB$PROCEDURES P WHERE P.RDB$PROCEDURE_NAME = ? AND P.RDB$PACKAGE_NAME IS NULL";
            break;
        case kFunction: // an external function of the old kind runs no SQL
            sql =
                "SELECT IIF(COALESCE(F.RDB$LEGACY_FLAG, 0) <> 0, 0, IIF(F.RDB$ENGINE_NAME IS NOT NULL, 2, " +
                SourceReach("F.RDB$FUNCTION_SOURCE") +
                ")) FROM RDB$FUNCTIONS F WHERE F.RDB$FUNCTION_NAME = ? AND F.RDB$PACKAGE_NAME IS NULL";
            break;
        case kPackageBody:
            sql = "SELECT " + SourceReach("P.RDB$PACKAGE_BODY_SOURCE") +
                  " FROM RDB$PACKAGES P WHERE P.RDB$PACKAGE_NAME = ?";
            break;
        default: // a view has no body of its own; what its columns call is followed from it
            return 0;
        }
        FbStatement& st = db_.Prepare(sql, tr_);
        const TValue named[] = {name};
        db_.Execute(st, tr_, named);
        std::vector<TValue> row;
        const int64_t reach = st.Fetch(row) ? std::get<int64_t>(row[0]) : 0;
        st.CloseCursor();
        return reach;
    }

    TIBDatabase& db_;
    TIBTransaction& tr_;
    const QMultiHash<QString, QString>& triggersOn_;
    const QHash<QString, int64_t>& sourceReach_;
    QHash<QString, TReach> memo_;
};

const TIBDatabase::Triggers& TIBDatabase::ActiveTriggers(TIBTransaction& tr) {
    if (triggers_) return *triggers_;
    Triggers found;
    // Every active user trigger (the triggers of CHECK and foreign-key constraints are the
    // system's and write nothing of their own), its table if any, its type and how far its own
    // text reaches.
    FbStatement& triggers =
        Prepare("SELECT TRIM(T.RDB$TRIGGER_NAME), TRIM(T.RDB$RELATION_NAME), T.RDB$TRIGGER_TYPE, "
                "IIF(T.RDB$ENGINE_NAME IS NOT NULL, 2, " +
                    SourceReach("T.RDB$TRIGGER_SOURCE") +
                    ") FROM RDB$TRIGGERS T WHERE COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 AND "
                    "COALESCE(T.RDB$TRIGGER_INACTIVE, 0) = 0",
                tr);
    Execute(triggers, tr, {});
    struct Active {
        QString name, table;
        int64_t type;
    };
    std::vector<Active> active;
    QMultiHash<QString, QString> triggersOn;
    QHash<QString, int64_t> sourceReach;
    std::vector<TValue> row;
    while (triggers.Fetch(row)) {
        const QString name = std::get<QString>(row[0]);
        const QString table = IsNull(row[1]) ? QString() : std::get<QString>(row[1]);
        active.push_back({name, table, std::get<int64_t>(row[2])});
        if (!table.isEmpty()) triggersOn.insert(table, name);
        sourceReach.insert(name, std::get<int64_t>(row[3]));
    }
    ReachWalk walk(*this, tr, triggersOn, sourceReach);
    for (const Active& t : active) {
        const TReach reach = walk.Trigger(t.name, t.table);
        if (t.table.isEmpty()) {
            if (t.type == kOnTransactionStart || t.type == kOnTransactionCommit)
                found.onCommit = std::max(found.onCommit, reach);
            continue;
        }
        auto& kinds = found.onTable[t.table];
        for (TWriteKind kind : FiresOn(t.type)) {
            TReach& r = kinds[static_cast<size_t>(kind)];
            r = std::max(r, reach);
            if (kind == TWriteKind::Insert && FiresBefore(t.type))
                found.beforeInsert[t.table].push_back(
                    {t.name, walk.ownColumns.value(t.name), reach == TReach::Unknown});
        }
    }
    found.dynamicSql = walk.dynamicSql;
    found.written = std::move(walk.written);
    FbStatement& relations =
        Prepare("SELECT R.RDB$RELATION_ID, TRIM(R.RDB$RELATION_NAME) FROM RDB$RELATIONS R", tr);
    Execute(relations, tr, {});
    while (relations.Fetch(row))
        found.relations.insert(static_cast<int>(std::get<int64_t>(row[0])), std::get<QString>(row[1]));
    triggers_ = std::move(found);
    return *triggers_;
}

bool TIBDatabase::WrittenByTriggers(const QString& table, TIBTransaction& tr) {
    const Triggers& active = ActiveTriggers(tr);
    // Dynamic SQL leaves no dependency behind: a trigger that can reach it may write any table.
    return active.dynamicSql || active.written.contains(table);
}

QStringList TIBDatabase::KeyReplacers(const QString& table, const QStringList& keyColumns,
                                      TIBTransaction& tr) {
    QStringList names;
    const auto& beforeInsert = ActiveTriggers(tr).beforeInsert;
    auto on = beforeInsert.constFind(table);
    if (on == beforeInsert.cend()) return names;
    for (const RowTrigger& t : *on)
        if (t.unknown || std::any_of(keyColumns.begin(), keyColumns.end(),
                                     [&](const QString& k) { return t.columns.contains(k); }))
            names << t.name;
    return names;
}

QString TIBDatabase::ReturningClause(const QString& table, const QStringList& keyColumns,
                                     TIBTransaction& tr) {
    ActiveTriggers(tr);
    auto& decided = triggers_->returning[table];
    for (const auto& [keys, clause] : decided)
        if (keys == keyColumns) return clause;
    const QString clause = keyColumns.isEmpty() || KeyReplacers(table, keyColumns, tr).isEmpty()
                               ? QString()
                               : " RETURNING " + keyColumns.join(", ");
    decided.emplace_back(keyColumns, clause);
    return clause;
}

void TIBDatabase::ExecuteWrite(FbStatement& st, TIBTransaction& tr, std::span<const TValue> params,
                               const QString& table, TWriteKind kind) {
    if (kind == TWriteKind::Insert) inserted_.insert(table);
    // Nobody holds rows: nothing to keep up to date.
    if (!HasWriteListeners()) return Execute(st, tr, params);
    const Triggers& active = ActiveTriggers(tr);
    auto it = active.onTable.constFind(table);
    const TReach reach = it == active.onTable.cend() ? TReach::None : (*it)[static_cast<size_t>(kind)];
    if (reach == TReach::None) return Execute(st, tr, params);
    Watch(reach, table, [&] {
        Execute(st, tr, params);
        return st.RowsAffected();
    });
}

void TIBDatabase::ExecuteCommit(TIBTransaction& tr, const std::function<void()>& commit) {
    const TReach reach = HasWriteListeners() ? ActiveTriggers(tr).onCommit : TReach::None;
    if (reach == TReach::None) return commit();
    Watch(reach, {}, [&] {
        commit();
        return 0L;
    });
}

void TIBDatabase::Watch(TReach reach, const QString& table, const std::function<long()>& run) {
    if (reach == TReach::Unknown) { // what they wrote cannot be seen from here
        try {
            run();
        } catch (...) {
            TableOutOfDate({});
            throw;
        }
        TableOutOfDate({});
        return;
    }
    const auto before = attachment_.WriteCounts();
    long own = 0;
    try {
        own = run();
    } catch (...) {
        try {
            ReportWrites(before, table, 0);
        } catch (...) {
            TableOutOfDate({});
        }
        throw;
    }
    ReportWrites(before, table, own);
}

void TIBDatabase::ReportWrites(const std::unordered_map<int, uint64_t>& before, const QString& table,
                               long own) {
    const Triggers& active = *triggers_;
    for (const auto& [id, count] : attachment_.WriteCounts()) {
        auto was = before.find(id);
        uint64_t written = count - (was == before.end() ? 0 : was->second);
        const QString name = active.relations.value(id);
        if (!table.isEmpty() && name == table)
            written -= std::min<uint64_t>(written, static_cast<uint64_t>(own));
        if (written == 0) continue;
        TableOutOfDate(name); // a table created since the list was read has no name: any table
    }
}

void TIBDatabase::TableOutOfDate(const QString& table) {
    for (TTableWriteListener* l : writeListeners_)
        l->TableOutOfDate(table);
}
