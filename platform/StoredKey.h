#pragma once
// The key a destination stored for a row this connection inserted. A BEFORE INSERT trigger may
// draw the key again; the insert then takes the stored key back (RETURNING, see
// TIBDatabase::ReturningClause) and the rows written after it refer to that one.

#include "DataSet.h"
#include "IBDatabase.h"

#include <QStringList>
#include <span>
#include <vector>

// The key an insert into `table` returned (one value per key field of `set`, in the order of
// `keys`, the fields' indexes) becomes the row's, and the values the insert tells of its row
// (`columns`, `values`) carry it, added when the row was posted without it. When `mustStay` (later
// work finds the row again by the key it was given) a key the destination replaced raises
// EKeyReplacedError naming the triggers instead. Returns whether the key was replaced.
bool TakeStoredKey(TIBDatabase& db, TIBTransaction& tr, const QString& table, const TDataSet& set,
                   std::span<const int> keys, std::span<const TValue> returned, bool mustStay, TRow& row,
                   QStringList& columns, std::vector<TValue>& values);
