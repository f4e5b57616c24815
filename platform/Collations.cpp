#include "Collations.h"

#include "Text.h"

namespace {
// A name from the catalogue as a quoted identifier: user collations may be named in any case.
QString Quoted(const QString& name) {
    QString q = name;
    q.replace('"', "\"\"");
    return '"' + q + '"';
}
} // namespace

QHash<QString, TCollatedColumn> CollatedColumns(TIBDatabase& db, TIBTransaction& tr, const QString& table) {
    // A column without a collation of its own or of its domain takes its character set's default,
    // which the database may have set to another than the binary one. CHAR and VARCHAR only: the
    // binary collation of every character set has the number 0.
    FbStatement& st = db.Prepare(
        "SELECT TRIM(RF.RDB$FIELD_NAME), TRIM(CS.RDB$CHARACTER_SET_NAME), TRIM(CO.RDB$COLLATION_NAME), "
        "COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH) "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "JOIN RDB$CHARACTER_SETS CS ON CS.RDB$CHARACTER_SET_ID = F.RDB$CHARACTER_SET_ID "
        "JOIN RDB$COLLATIONS CO ON CO.RDB$CHARACTER_SET_ID = CS.RDB$CHARACTER_SET_ID AND "
        "(CO.RDB$COLLATION_ID = COALESCE(RF.RDB$COLLATION_ID, F.RDB$COLLATION_ID) OR "
        "(RF.RDB$COLLATION_ID IS NULL AND F.RDB$COLLATION_ID IS NULL AND "
        "CO.RDB$COLLATION_NAME = CS.RDB$DEFAULT_COLLATE_NAME)) "
        "WHERE RF.RDB$RELATION_NAME = ? AND F.RDB$FIELD_TYPE IN (14, 37) AND CO.RDB$COLLATION_ID <> 0",
        tr);
    const TValue name[] = {table};
    db.Execute(st, tr, name);
    QHash<QString, TCollatedColumn> out;
    std::vector<TValue> row;
    while (st.Fetch(row))
        out.insert(std::get<QString>(row[0]), {std::get<QString>(row[1]), std::get<QString>(row[2]),
                                               static_cast<int>(std::get<int64_t>(row[3]))});
    return out;
}

bool CollationHoldsEqual(TIBDatabase& db, TIBTransaction& tr, const TCollatedColumn& column, const QString& a,
                         const QString& b) {
    // The collation pads with blanks; the cast would refuse a text longer than the column.
    const QString x = WithoutTrailingBlanks(a), y = WithoutTrailingBlanks(b);
    if (x.size() > column.length || y.size() > column.length) return false;
    const QString operand =
        QString("CAST(? AS VARCHAR(%1) CHARACTER SET %2) COLLATE %3")
            .arg(QString::number(column.length), Quoted(column.charset), Quoted(column.collation));
    FbStatement& st = db.Prepare("SELECT 1 FROM RDB$DATABASE WHERE " + operand + " = " + operand, tr);
    const TValue params[] = {x, y};
    db.Execute(st, tr, params);
    std::vector<TValue> row;
    if (!st.Fetch(row)) return false;
    st.CloseCursor();
    return true;
}
