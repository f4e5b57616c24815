#pragma once
// Client datasets: the whole result of their provider's statement held in memory, and, on the
// destination side, a change log of posted rows that ApplyUpdates sends to the table.

#include "Collations.h"
#include "DataSet.h"
#include "IBDatabase.h"
#include "Refusals.h"

#include <QStringList>
#include <functional>
#include <unordered_map>

class TClientDataSet : public TDataSet {
public:
    // `refusals` receives the rows the destination refuses on apply (nullptr for source sets).
    TClientDataSet(const TClientDataSetDef& def, TIBDatabase& db, TIBTransaction& tr, TRefusals* refusals);

    QString CommandText;
    std::vector<TValue> Params; // values of the command text's parameters
    std::function<void(TDataSet&)> OnNewRecord;
    // When set and true, the provider's statement is known to select no row: Open starts empty
    // without running it.
    std::function<bool()> SelectsNothing;

    // Later work finds the applied rows again by the key they were given (the key is no surrogate
    // but a code of the rows' own): a destination trigger that stores a row under another key ends
    // the apply with EKeyReplacedError instead of the set taking the stored key.
    bool KeyMustStay = false;

    // Sends the change log, oldest row first, inside the transaction. An inserted row the
    // destination's triggers stored under another key takes that key, as the rows written after it
    // read it. A row the database refuses, or with a value its column cannot hold, is recorded and
    // taken out of the log at once; the rows after it are still sent. Any other failure is raised,
    // and the rows not written by then are dropped as by CancelUpdates. Returns the number of
    // refused rows.
    int ApplyUpdates(int maxErrors);
    // Drops the pending row and every change not yet applied.
    void CancelUpdates();
    int ChangeCount() const { return static_cast<int>(log_.size()); }

    // Searches the rows this set holds; several key fields are joined by ";". A text field whose
    // destination column has a collation that is not binary also matches what the collation holds
    // equal, asked of the destination for each row that matches on the other key fields.
    bool Locate(const QString& keyFields, const std::vector<TValue>& values, TLocateOptions options);
    // Keeps an index over these key fields so that Locate with the same fields and options does
    // not scan the rows.
    void AddIndex(const QString& keyFields, TLocateOptions options);

    const QString& TableName() const { return table_; }

protected:
    void DoOpen() override;
    void DoClose() override;
    void DoOnNewRecord() override;
    int DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) override;

private:
    struct Change {
        int row;
        bool inserted;
        std::vector<char> assigned; // fields the row sets (insert) or changed (update)
        TRow oldKey;                // key values of an updated row before the edit
        TRow before;                // the whole updated row before the edit
    };
    struct Index {
        std::vector<int> fields;
        TLocateOptions options;
        std::unordered_map<QString, int> rows; // search key -> first row
    };
    // Every row by the key fields that are not collated, for the searches on collated ones.
    struct Group {
        std::vector<int> fields;
        TLocateOptions options;
        std::unordered_map<QString, std::vector<int>> rows; // search key -> its rows, in order
    };

    std::vector<int> ResolveFields(const QString& keyFields);
    QString SearchKey(const std::vector<int>& fields, const std::vector<TValue>& values,
                      TLocateOptions options, bool fromRow);
    void IndexRow(Index& index, int row);
    void GroupRow(Group& group, int row);
    // The key fields among these whose column is collated, for a search with these values.
    std::vector<int> Collated(const std::vector<int>& fields, const std::vector<TValue>& values);
    bool LocateCollated(const std::vector<int>& fields, const std::vector<TValue>& values,
                        TLocateOptions options, const std::vector<int>& collated);
    void RebuildIndexes();
    QString KeyText(const TRow& row) const;
    // The statement of the rows that set these columns, with the columns it sets in order.
    struct Statement {
        QString sql;
        QStringList columns;
        bool returning = false; // the insert returns the key fields the destination stored
    };
    void ApplyChange(const Change& c);
    const Statement& StatementFor(const std::vector<char>& sets, bool inserted, const QString& returning);
    // Whether an index of the set is over a key field.
    bool KeyIndexed() const;

    TIBDatabase& db_;
    TIBTransaction& tr_;
    TRefusals* refusals_;
    QString table_;
    QStringList keyFields_;
    std::vector<int> keyIndexes_;
    std::vector<Change> log_;
    std::vector<Index> indexes_;
    std::vector<Group> groups_;
    QHash<int, TCollatedColumn> collations_; // by field, read at the first search after open
    bool described_ = false;
    std::unordered_map<std::string, Statement> statements_; // by the columns a change sets
};
