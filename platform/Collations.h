#pragma once
// How the destination compares the text columns of a table. A column under its character set's
// binary collation compares as held texts do (blanks at the end aside). Any other collation may
// hold more texts equal (case, accents, characters it ignores, letters it expands), and only the
// destination knows which: searches on such a column ask it.

#include "IBDatabase.h"

#include <QHash>
#include <QString>

struct TCollatedColumn {
    QString charset;
    QString collation;
    int length = 0; // in characters
};

// The table's text columns declared under another collation than their character set's binary
// one, by column name.
QHash<QString, TCollatedColumn> CollatedColumns(TIBDatabase& db, TIBTransaction& tr, const QString& table);

// Whether the column's collation holds the two texts equal, as the destination compares them. A
// text longer than the column equals none of its values.
bool CollationHoldsEqual(TIBDatabase& db, TIBTransaction& tr, const TCollatedColumn& column, const QString& a,
                         const QString& b);
