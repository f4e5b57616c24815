#pragma once
// The table component: a whole destination table, held in the order of its primary key. A posted
// row is inserted into the table at once and read back by its key, so that what the destination's
// own triggers and defaults made of it is held; where a trigger may draw the key again, the insert
// takes the stored key back and the row is held under it. The embedded engine opens the
// destination for this process alone, so the rows read at open plus the rows posted here are every
// row the transaction sees, and Locate answers from an index over them. When the connection lets
// go of held rows (at the end of each job) or tells of other changes to the table, the component
// closes and reads the table anew at its next use. When it tells that the destination's triggers
// wrote the table, the held rows are out of date: Locate asks the destination with a statement
// until those statements have taken as long as reading the whole table again did, and then reads
// it. A text key column under a collation other than its character set's binary one may hold more
// texts equal than memory knows (case, accents): a search on it asks the destination as well.

#include "DataSet.h"
#include "IBDatabase.h"

#include <QStringList>
#include <optional>
#include <unordered_map>

class TIBTable : public TDataSet, public TTableWriteListener {
public:
    TIBTable(const TTableDef& def, TIBDatabase& db, TIBTransaction& tr);
    ~TIBTable() override;

    const QString& TableName() const { return table_; }
    // Later work finds the rows posted here again by the key they were given: a destination
    // trigger that stores one under another key ends the post with EKeyReplacedError.
    bool KeyMustStay = false;
    // Every row is read when the table opens.
    void FetchAll() {}
    // The first row, in primary-key order, whose key columns equal the values (text compared
    // in upper case with loCaseInsensitive, and cut to the field's size first with loCutToSize;
    // NULL matches only NULL). Blanks at the end of a text count for nothing, as the database
    // compares texts. A text column under a collation that is not binary also matches what the
    // collation holds equal. Not found: the current row stays.
    bool Locate(const QString& keyFields, const std::vector<TValue>& values, TLocateOptions options);

    bool EmptyTextIsNull() const override { return true; }

    // Its own posts are held already; a change told by others makes it read the table anew.
    void RowInserted(const QString& table, const QStringList& columns,
                     std::span<const TValue> values) override;
    void TableChanged(const QString& table) override;
    void TableOutOfDate(const QString& table) override;

protected:
    void DoOpen() override;
    void DoClose() override;
    int DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) override;

private:
    struct Index {
        std::vector<int> fields;
        bool caseInsensitive;
        std::unordered_map<QString, int> rows; // search key -> first row in key order
    };
    QString RowKey(const Index& ix, const TRow& row) const;
    static TValue Comparable(TValue v);
    Index& IndexFor(const std::vector<int>& fields, bool caseInsensitive);
    bool PkLess(const TRow& a, const TRow& b) const;
    // The row of this key as the destination holds it now, into `row`; false when there is none.
    bool ReadBack(const QStringList& columns, std::span<const TValue> values, TRow& row);
    // Holds the row in key order, in place of a held row of the same key; returns its position.
    int Hold(TRow row);
    // The first row in key order that the destination returns for the probe, or nothing. Text
    // fields compare as held rows do (the rows held are out of date), or, with `byCollation`, the
    // collated ones as the destination's collation compares them.
    std::optional<TRow> AskDatabase(const std::vector<int>& fields, const TRow& probe, bool caseInsensitive,
                                    bool byCollation);
    // Whether one of the fields is a collated text column whose probe value is a text.
    bool SearchesCollated(const std::vector<int>& fields, const TRow& probe);
    // The position of a row the destination returned: the held row of its key while held rows are
    // trusted, else held in its place.
    int PositionOf(TRow row);

    TIBDatabase& db_;
    TIBTransaction& tr_;
    QString table_;
    std::vector<int> pk_;
    QStringList pkNames_;
    std::vector<Index> indexes_;
    std::vector<char> collated_; // by field: a text column under a collation that is not binary
    bool described_ = false;     // collated_ read for the destination as it is now
    QString selectAll_;          // every column
    QString orderByKey_;         // in key order
    QString selectByKey_;        // every column of one row, by its key (empty: no key)
    bool posting_ = false;       // the insert told to the connection is this component's own
    bool outOfDate_ = false;     // the destination's triggers wrote the table since it was read
    double readSeconds_ = 0;     // how long the last read of the whole table took
    double askedSeconds_ = 0;    // how long the statements asked since it went out of date took
};
