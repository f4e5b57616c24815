#include "IBQuery.h"

TIBQuery::TIBQuery(QString name, TIBDatabase& db, TIBTransaction& tr)
    : TDataSet(std::move(name)), db_(db), tr_(tr) {
    db_.AddCloseHandler(this, [this] { Close(); });
}

TIBQuery::~TIBQuery() {
    db_.RemoveCloseHandler(this);
}

void TIBQuery::SetSQL(const QString& sql, std::vector<TValue> params) {
    if (Active()) Fail("Cannot perform this operation on an open dataset");
    sql_ = sql;
    Params = std::move(params);
}

namespace {
TFieldDef DefOf(const FbColumn& c) {
    switch (c.type) {
    case SQL_TEXT:
        return {nullptr, TFieldType::ftFixedChar, c.length};
    case SQL_VARYING:
        return {nullptr, TFieldType::ftString, c.length};
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return {nullptr, TFieldType::ftFloat};
    case SQL_TYPE_DATE:
        return {nullptr, TFieldType::ftDate};
    case SQL_TYPE_TIME:
        return {nullptr, TFieldType::ftTime};
    case SQL_TIMESTAMP:
        return {nullptr, TFieldType::ftDateTime};
    default:
        if (c.scale < 0) return {nullptr, TFieldType::ftBCD, 18, -c.scale};
        if (c.type == SQL_SHORT) return {nullptr, TFieldType::ftSmallint};
        if (c.type == SQL_LONG) return {nullptr, TFieldType::ftInteger};
        return {nullptr, TFieldType::ftLargeint};
    }
}
} // namespace

void TIBQuery::DoOpen() {
    db_.EnsureConnected();
    FbStatement& st = db_.Prepare(sql_, tr_);
    // The same statement has the same result columns: its fields are kept from the last open.
    if (fieldsOf_ != sql_ || Fields().empty()) {
        ClearFields();
        for (const FbColumn& c : st.Columns())
            AddField(DefOf(c), c.name);
        fieldsOf_ = sql_;
    }
    db_.Execute(st, tr_, Params);
    TRow row;
    while (st.Fetch(row)) {
        TRow stored(row.size());
        for (size_t i = 0; i < row.size(); ++i)
            stored[i] = Fields()[i]->Store(row[i]);
        rows_.push_back(std::move(stored));
    }
}

void TIBQuery::ExecSQL() {
    FbStatement& st = db_.Prepare(sql_, tr_);
    db_.Execute(st, tr_, Params);
    // What a free statement changed is not known in detail.
    if (!st.IsSelect()) db_.TableChanged({});
}

int TIBQuery::DoPost(TRow&, const std::vector<char>&, bool) {
    Fail("A query is read only");
}
