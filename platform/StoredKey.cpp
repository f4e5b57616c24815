#include "StoredKey.h"

bool TakeStoredKey(TIBDatabase& db, TIBTransaction& tr, const QString& table, const TDataSet& set,
                   std::span<const int> keys, std::span<const TValue> returned, bool mustStay, TRow& row,
                   QStringList& columns, std::vector<TValue>& values) {
    std::vector<TValue> stored;
    QString replaced; // the first key column the destination changed
    for (size_t i = 0; i < keys.size(); ++i) {
        const TField& f = *set.Fields()[static_cast<size_t>(keys[i])];
        stored.push_back(f.Store(returned[i]));
        if (replaced.isEmpty() && stored.back() != row[static_cast<size_t>(keys[i])])
            replaced = f.FieldName();
    }
    if (replaced.isEmpty()) return false;
    if (mustStay) {
        QStringList given, now, names;
        for (size_t i = 0; i < keys.size(); ++i) {
            const QString& name = set.Fields()[static_cast<size_t>(keys[i])]->FieldName();
            given << name + " = " + ValueText(row[static_cast<size_t>(keys[i])]);
            now << name + " = " + ValueText(stored[i]);
            names << name;
        }
        throw EKeyReplacedError(table, db.KeyReplacers(table, names, tr), replaced, given.join(", "),
                                now.join(", "));
    }
    for (size_t i = 0; i < keys.size(); ++i) {
        row[static_cast<size_t>(keys[i])] = stored[i];
        const QString& name = set.Fields()[static_cast<size_t>(keys[i])]->FieldName();
        const qsizetype at = columns.indexOf(name);
        if (at >= 0) {
            values[static_cast<size_t>(at)] = stored[i];
        } else {
            columns << name;
            values.push_back(stored[i]);
        }
    }
    return true;
}
