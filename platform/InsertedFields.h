#pragma once
// Which fields of a posted row an insert sets.

#include "DataSet.h"
#include "IBDatabase.h"

#include <vector>

// The fields the row was given (`assigned`), less those left NULL on a column the destination
// declares NOT NULL with a DEFAULT: the insert leaves them out, and the default applies instead of
// the row being refused.
std::vector<char> InsertedFields(TIBDatabase& db, TIBTransaction& tr, const QString& table,
                                 const TDataSet& set, const TRow& row, const std::vector<char>& assigned);
