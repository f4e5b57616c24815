#pragma once
// A free query: its statement text is set where it is used, values go in as parameters, and its
// fields are those of the result.

#include "DataSet.h"
#include "IBDatabase.h"

class TIBQuery : public TDataSet {
public:
    TIBQuery(QString name, TIBDatabase& db, TIBTransaction& tr);
    ~TIBQuery() override;

    // Replaces the statement (the query must be closed) and its parameter values.
    void SetSQL(const QString& sql, std::vector<TValue> params = {});
    const QString& SQL() const { return sql_; }
    std::vector<TValue> Params;
    // Runs a statement that returns no rows.
    void ExecSQL();

protected:
    void DoOpen() override;
    int DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) override;

private:
    TIBDatabase& db_;
    TIBTransaction& tr_;
    QString sql_;
    QString fieldsOf_; // the statement whose result the fields describe
};
