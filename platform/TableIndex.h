#pragma once
// A look-up of a destination table answered from memory. It gives what
// "SELECT <result columns> FROM <table> WHERE <key1> = ? AND <key2> = ?" gives: the rows whose key
// columns equal the values under Firebird's comparison rules, in the order a scan of the table
// returns them. The table is read once, at the first search; each row this connection inserts
// afterwards is read back by its primary key, so triggers and the columns' own types are honoured.
// The embedded engine opens the destination for this process alone, so nothing else changes it.
// Where the comparison cannot be reproduced (a text key with a collation other than the binary
// one, an inexact numeric key, no primary key to read new rows back by) every search runs the
// statement instead.

#include "FieldDef.h"
#include "IBDatabase.h"

#include <QHash>
#include <unordered_map>
#include <vector>

class TTableIndex : public TTableWriteListener {
public:
    using Row = std::vector<TValue>; // the result columns, as the database returns them

    TTableIndex(const TTableIndexDef& def, TIBDatabase& db, TIBTransaction& tr);
    ~TTableIndex() override;
    TTableIndex(const TTableIndex&) = delete;
    TTableIndex& operator=(const TTableIndex&) = delete;

    const QString& Name() const { return name_; }
    // The first matching row, or nullptr. Valid until the next search or write.
    const Row* Find(const std::vector<TValue>& keys);
    // Every matching row, in order.
    std::vector<const Row*> FindAll(const std::vector<TValue>& keys);
    // The position of a result column.
    int Column(const QString& name) const;
    // A result value read as an integer: NULL reads as 0.
    static int64_t AsInteger(const TValue& v);
    // Whether the searches are answered from memory (false: each runs the statement).
    bool InMemory();

    void RowInserted(const QString& table, const QStringList& columns,
                     std::span<const TValue> values) override;
    void TableChanged(const QString& table) override;

private:
    enum class KeyKind { Text, Exact, Date, Time, Timestamp };
    struct KeyColumn {
        QString name;
        KeyKind kind = KeyKind::Exact;
        int scale = 0;  // decimals of an exact numeric
        int length = 0; // characters of a text
    };
    struct Chain {
        int first;
        int last;
    };

    void Load();
    void Unload();
    void Describe();
    void Append(std::vector<TValue>& fetched);
    // The comparable form of a key value, or false when it can equal no stored value (NULL, or a
    // text longer than the column).
    bool KeyPart(const KeyColumn& k, const TValue& v, QString& out) const;
    bool KeyOf(const std::vector<TValue>& keys, QString& out) const;
    std::vector<const Row*> RunStatement(const std::vector<TValue>& keys, bool firstOnly);

    QString name_;
    QString table_;
    QStringList keyNames_, resultNames_;
    TIBDatabase& db_;
    TIBTransaction& tr_;

    bool loaded_ = false;
    bool described_ = false;
    bool inMemory_ = false;
    std::vector<KeyColumn> keys_;
    QStringList primaryKey_;
    QString selectAll_;   // key and result columns of every row
    QString selectByPk_;  // the same of one row, by its primary key
    QString selectWhere_; // the result columns of the matching rows

    std::vector<Row> rows_;
    std::vector<int> next_; // the next row with the same key, -1 at the end
    std::unordered_map<QString, Chain> chains_;
    std::vector<Row> found_; // rows the statement returned, when it runs
};
