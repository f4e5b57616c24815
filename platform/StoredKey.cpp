#include "StoredKey.h"

QString ReturningClause(TIBDatabase& db, TIBTransaction& tr, const QString& table, const QStringList& keys) {
    if (keys.isEmpty() || db.KeyReplacers(table, keys, tr).isEmpty()) return {};
    return " RETURNING " + keys.join(", ");
}

bool TakeStoredKey(TIBDatabase& db, TIBTransaction& tr, const QString& table,
                   std::span<const TField* const> keys, std::span<const TValue> returned, bool mustStay,
                   TRow& row, QStringList& columns, std::vector<TValue>& values) {
    std::vector<TValue> stored;
    QString replaced; // the first key column the destination changed
    for (size_t i = 0; i < keys.size(); ++i) {
        stored.push_back(keys[i]->Store(returned[i]));
        if (replaced.isEmpty() && stored.back() != row[static_cast<size_t>(keys[i]->Index())])
            replaced = keys[i]->FieldName();
    }
    if (replaced.isEmpty()) return false;
    if (mustStay) {
        QStringList given, now, names;
        for (size_t i = 0; i < keys.size(); ++i) {
            given << keys[i]->FieldName() + " = " + ValueText(row[static_cast<size_t>(keys[i]->Index())]);
            now << keys[i]->FieldName() + " = " + ValueText(stored[i]);
            names << keys[i]->FieldName();
        }
        throw EKeyReplacedError(table, db.KeyReplacers(table, names, tr), replaced, given.join(", "),
                                now.join(", "));
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        row[static_cast<size_t>(keys[i]->Index())] = stored[i];
        const qsizetype at = columns.indexOf(keys[i]->FieldName());
        if (at >= 0) {
            values[static_cast<size_t>(at)] = stored[i];
        } else {
            columns << keys[i]->FieldName();
            values.push_back(stored[i]);
        }
    }
    return true;
}
