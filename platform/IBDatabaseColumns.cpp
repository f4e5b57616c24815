// What the destination declares of its columns beyond their types: the NOT NULL columns that take a
// default, and the identity columns whose key generators the rows given their keys left behind.
#include "IBDatabase.h"

#include "Errors.h"

#include <QRegularExpression>
#include <utility>

namespace {
// A name as a statement writes it: quoted unless it is a plain upper-case identifier.
QString Identifier(const QString& name) {
    static const QRegularExpression plain("^[A-Z][A-Z0-9_$]*$");
    if (plain.match(name).hasMatch()) return name;
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

// Every row of a statement run in `tr`, outside the statement cache and the observer: what the
// connection reads of the destination's declarations is no part of the work it measures.
std::vector<std::vector<TValue>> Rows(FbAttachment& db, FbTransaction& tr, const QString& sql,
                                      std::span<const TValue> params = {}) {
    FbStatement st(db, tr, sql);
    st.Execute(tr, params);
    std::vector<std::vector<TValue>> rows;
    std::vector<TValue> row;
    while (st.Fetch(row))
        rows.push_back(row);
    return rows;
}

int64_t Whole(const TValue& v) {
    if (auto p = std::get_if<int64_t>(&v)) return *p;
    if (auto p = std::get_if<TCurrency>(&v)) return p->units / TCurrency::kScale;
    return 0;
}
} // namespace

const QSet<QString>& TIBDatabase::DefaultedColumns(const QString& table, TIBTransaction& tr) {
    auto it = defaulted_.constFind(table);
    if (it != defaulted_.cend()) return *it;
    tr.EnsureStarted();
    // NOT NULL and the default may each be the column's own or its domain's.
    const TValue name{table};
    QSet<QString> columns;
    for (const std::vector<TValue>& row :
         Rows(attachment_, tr.Handle(),
              "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF "
              "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
              "WHERE RF.RDB$RELATION_NAME = ? "
              "AND (RF.RDB$NULL_FLAG = 1 OR F.RDB$NULL_FLAG = 1) "
              "AND (RF.RDB$DEFAULT_SOURCE IS NOT NULL OR F.RDB$DEFAULT_SOURCE IS NOT NULL)",
              std::span(&name, 1)))
        columns.insert(std::get<QString>(row[0]));
    return *defaulted_.insert(table, std::move(columns));
}

std::vector<TIBDatabase::TIdentityRestart> TIBDatabase::RestartIdentities(TIBTransaction& tr) {
    std::vector<TIdentityRestart> restarts;
    if (inserted_.isEmpty() || !Connected()) return restarts;
    const QSet<QString> inserted = std::exchange(inserted_, {});
    tr.EnsureStarted();
    const auto identities = Rows(
        attachment_, tr.Handle(),
        "SELECT TRIM(RDB$RELATION_NAME), TRIM(RDB$FIELD_NAME), TRIM(RDB$GENERATOR_NAME) "
        "FROM RDB$RELATION_FIELDS WHERE RDB$IDENTITY_TYPE IS NOT NULL AND RDB$GENERATOR_NAME IS NOT NULL "
        "ORDER BY 1, 2");
    for (const std::vector<TValue>& identity : identities) {
        const QString table = std::get<QString>(identity[0]);
        if (!inserted.contains(table)) continue;
        const QString column = std::get<QString>(identity[1]);
        const std::vector<TValue> largest =
            Rows(attachment_, tr.Handle(),
                 QString("SELECT MAX(%1), (SELECT GEN_ID(%2, 0) FROM RDB$DATABASE) FROM %3")
                     .arg(Identifier(column), Identifier(std::get<QString>(identity[2])), Identifier(table)))
                .at(0);
        // Keys the identity drew itself, or none at all: its next key is free already.
        if (IsNull(largest[0]) || Whole(largest[0]) <= Whole(largest[1])) continue;
        TIdentityRestart restart{table, column, Whole(largest[0]), {}, {}};
        restart.statement = QString("ALTER TABLE %1 ALTER COLUMN %2 RESTART WITH %3")
                                .arg(Identifier(table), Identifier(column))
                                .arg(restart.restartWith);
        // The change runs in the job's transaction, which holds the table it wrote: another
        // transaction would find the table in use. What the job wrote is committed first, so that
        // a change the destination refuses, even at its commit, is undone alone.
        tr.CommitRetaining();
        try {
            FbStatement(attachment_, tr.Handle(), restart.statement).Execute(tr.Handle(), {});
            tr.CommitRetaining();
        } catch (const EIBError& e) {
            if (e.IsConnectionLost()) throw;
            restart.failure = e.Message();
            tr.Handle().RollbackRetaining();
        }
        restarts.push_back(std::move(restart));
    }
    return restarts;
}
