#include "InsertedFields.h"

std::vector<char> InsertedFields(TIBDatabase& db, TIBTransaction& tr, const QString& table,
                                 const TDataSet& set, const TRow& row, const std::vector<char>& assigned) {
    std::vector<char> sets = assigned;
    const QSet<QString>* defaulted = nullptr; // asked only for a row that sets a NULL
    for (const auto& f : set.Fields()) {
        const auto i = static_cast<size_t>(f->Index());
        if (!sets[i] || !IsNull(row[i])) continue;
        if (!defaulted) defaulted = &db.DefaultedColumns(table, tr);
        if (defaulted->contains(f->FieldName())) sets[i] = 0;
    }
    return sets;
}
