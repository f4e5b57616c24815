#pragma once
// Comparable texts of values, for look-ups and messages.

#include "DataSet.h"

#include <vector>

// One search key over several fields: each value in the field's own type, text upper-cased when
// the search ignores case, NULL apart from every text.
QString SearchKeyOf(const std::vector<const TField*>& fields, const std::vector<TValue>& values,
                    bool caseInsensitive);
// The values of a row's key fields as one text, joined by ";" (a refused or written row's key).
QString KeyValuesText(const std::vector<TValue>& row, const std::vector<int>& keys);
// Splits "A;B;C" into the names of the key fields.
QStringList SplitKeyFields(const QString& keyFields);
