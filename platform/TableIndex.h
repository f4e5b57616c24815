#pragma once
// A look-up of a destination table: what
// "SELECT <result columns> FROM <table> WHERE <key1> = ? AND <key2> = ?" gives, which is the answer
// by definition. Where the destination has an active index whose first column is one of the key
// columns, the statement runs: it is fast and exact. Only a table without such an index is
// answered from rows held in memory, and only where memory is certain to agree: every text key
// compares byte for byte (no collation but the binary one, no OCTETS pad) and the table has a
// primary key to read the rows this connection inserts back by, as its triggers made them. The
// statement of such a table scans it, and the table is read by a scan too: the rows read hold the
// order the statement gives them. Where several rows share a key and one of them was inserted
// afterwards, where it lies in that order is the engine's to say, and the statement runs; its
// answer is kept until this connection next writes the table. When the connection tells that the
// destination's triggers wrote the table, the held rows are let go and the statement answers
// until its runs have taken as long as the last read of the table did; then the table is read
// again. The held rows are let go when the connection says so (at the end of each job) and read
// again at the next search.

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
    // The first row the statement returns, or nullptr. Valid until the next search or write.
    const Row* Find(const std::vector<TValue>& keys);
    // Whether the statement returns any row.
    bool Exists(const std::vector<TValue>& keys);
    // Every row the statement returns, in the order it returns them.
    std::vector<const Row*> FindAll(const std::vector<TValue>& keys);
    // A result value read as a 32-bit integer, as a field reads it: NULL reads as 0, and a value
    // beyond 32 bits raises naming it and its column.
    int32_t Integer(const Row& row, int column) const;
    // Whether the searches may be answered from memory (false: each runs the statement).
    bool InMemory();
    // Whether a user trigger may write rows of the table other than the one it fires for: rows
    // can appear that this connection never inserted.
    bool WrittenByTriggers();
    // Counts the changes to the table this look-up was told of: an answer kept by a caller holds
    // while the count stays the same.
    uint64_t Changes() const { return changes_; }

    void RowInserted(const QString& table, const QStringList& columns,
                     std::span<const TValue> values) override;
    void TableChanged(const QString& table) override;
    void TableOutOfDate(const QString& table) override;

private:
    enum class KeyKind { Text, Exact, Date, Time, Timestamp };
    struct KeyColumn {
        QString name;
        KeyKind kind = KeyKind::Exact;
        int scale = 0;  // decimals of an exact numeric
        int length = 0; // characters of a text
    };

    void Load();
    void Unload();
    void Describe();
    bool HasUsableIndex();
    // Holds a row read by the table's scan, or inserted since (`inserted`).
    void Append(std::vector<TValue>& fetched, bool inserted);
    // The comparable form of a key value, or false when it can equal no stored value (NULL, or a
    // text longer than the column).
    bool KeyPart(const KeyColumn& k, const TValue& v, QString& out) const;
    bool KeyOf(const std::vector<TValue>& keys, QString& out) const;
    struct KeyRows {
        int first; // -1: no row
        int last;
        bool inserted; // a row inserted after the scan: the order of several is not known
        bool Certain() const { return first == last || !inserted; }
    };
    // The held rows of the key (an empty chain: none), or nullptr when memory does not answer
    // and the statement must run.
    const KeyRows* Held(const std::vector<TValue>& keys, QString& key);
    // The statement's rows of a held key whose order memory does not know, asked once.
    const std::vector<Row>& Asked(const QString& key, const std::vector<TValue>& keys);
    // The rows the statement returns, the first only when `all` is false, kept in `into`.
    const std::vector<Row>& RunStatement(const std::vector<TValue>& keys, bool all, std::vector<Row>& into);

    QString name_;
    QString table_;
    QStringList keyNames_, resultNames_;
    TIBDatabase& db_;
    TIBTransaction& tr_;

    bool loaded_ = false;
    bool described_ = false;
    bool inMemory_ = false;
    bool triggers_ = false;
    bool outOfDate_ = false;  // the destination's triggers wrote the table since it was read
    double loadSeconds_ = 0;  // how long the last read of the table took
    double askedSeconds_ = 0; // how long the statements asked since it went out of date took
    uint64_t changes_ = 0;
    std::vector<KeyColumn> keys_;
    QStringList primaryKey_;
    QString selectAll_;   // key and result columns of every row
    QString selectByPk_;  // the same of one row, by its primary key
    QString selectWhere_; // the result columns of the matching rows

    std::vector<Row> rows_;
    std::vector<int> next_; // the next held row of the same key, -1 at the end
    std::unordered_map<QString, KeyRows> chains_;
    std::unordered_map<QString, std::vector<Row>> asked_; // by key, until the table is written
    std::vector<Row> found_;                              // the rows the statement returned, when it runs
};
