#include "IBTable.h"

#include "Text.h"
#include "ValueText.h"

#include <algorithm>

TIBTable::TIBTable(const TTableDef& def, TIBDatabase& db, TIBTransaction& tr)
    : TDataSet(QString::fromLatin1(def.name)), db_(db), tr_(tr), table_(QString::fromLatin1(def.table)) {
    DefineFields(def.fields);
    for (const QString& k : SplitKeyFields(QString::fromLatin1(def.primaryKey)))
        pk_.push_back(FieldByName(k).Index());
    db_.AddCloseHandler(this, [this] {
        Close();
        triggers_.reset(); // another file may be opened next
    });
    db_.AddWriteListener(this);
}

TIBTable::~TIBTable() {
    db_.RemoveWriteListener(this);
    db_.RemoveCloseHandler(this);
}

void TIBTable::RowInserted(const QString&, const QStringList&, std::span<const TValue>) {
    stale_ = stale_ || triggers_.value_or(false);
}

void TIBTable::TableChanged(const QString& table) {
    stale_ = stale_ || triggers_.value_or(false);
    if (table.isEmpty()) triggers_.reset(); // the end of a job: the destination is asked anew
    // A row being filled stays: it is the caller's, and closing would lose it.
    if (State() != TDataSetState::dsBrowse) return;
    if (table.isEmpty() || table.compare(table_, Qt::CaseInsensitive) == 0) Close();
}

void TIBTable::DoOpen() {
    QStringList cols, order;
    for (const auto& f : Fields())
        cols << f->FieldName();
    for (int k : pk_)
        order << Fields()[k]->FieldName();
    QString sql = QString("SELECT %1 FROM %2 ORDER BY %3").arg(cols.join(", "), table_, order.join(", "));
    db_.EnsureConnected();
    FbStatement& st = db_.Prepare(sql, tr_);
    db_.Execute(st, tr_, {});
    TRow fetched;
    while (st.Fetch(fetched)) {
        TRow row(Fields().size());
        for (const auto& f : Fields())
            row[f->Index()] = f->Store(fetched[f->Index()]);
        rows_.push_back(std::move(row));
    }
    indexes_.clear();
    if (!triggers_) triggers_ = db_.WrittenByTriggers(table_, tr_);
    stale_ = false;
}

void TIBTable::DoClose() {
    indexes_.clear();
}

bool TIBTable::PkLess(const TRow& a, const TRow& b) const {
    for (int k : pk_) {
        const TValue &x = a[k], &y = b[k];
        if (x == y) continue;
        if (IsNull(x)) return true;
        if (IsNull(y)) return false;
        return x < y;
    }
    return false;
}

TValue TIBTable::Comparable(TValue v) {
    // Firebird compares texts as if the shorter were padded with blanks, in fixed-width and
    // variable-width columns alike.
    if (auto text = std::get_if<QString>(&v)) *text = WithoutTrailingBlanks(*text);
    return v;
}

QString TIBTable::RowKey(const Index& ix, const TRow& row) const {
    std::vector<const TField*> fs;
    std::vector<TValue> vs;
    for (int f : ix.fields) {
        fs.push_back(Fields()[f].get());
        vs.push_back(Comparable(row[f]));
    }
    return SearchKeyOf(fs, vs, ix.caseInsensitive);
}

TIBTable::Index& TIBTable::IndexFor(const std::vector<int>& fields, bool caseInsensitive) {
    for (Index& ix : indexes_)
        if (ix.fields == fields && ix.caseInsensitive == caseInsensitive) return ix;
    indexes_.push_back({fields, caseInsensitive, {}});
    Index& ix = indexes_.back();
    for (int r = 0; r < RecordCount(); ++r)
        ix.rows.try_emplace(RowKey(ix, rows_[r]), r);
    return ix;
}

bool TIBTable::Locate(const QString& keyFields, const std::vector<TValue>& values, TLocateOptions options) {
    Open();
    SettlePending();
    if (stale_) { // what the triggers wrote is read now
        Close();
        Open();
    }
    std::vector<int> fields;
    for (const QString& n : SplitKeyFields(keyFields))
        fields.push_back(FieldByName(n).Index());
    if (fields.size() != values.size()) Fail("Locate needs one value per key field");
    // The values are taken in the columns' types, the empty text as NULL (as a post stores it);
    // text is cut to the field's size only when asked.
    TRow probe(Fields().size());
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField& f = *Fields()[fields[i]];
        TValue v = f.Store(values[i]);
        if (auto s = std::get_if<QString>(&v)) {
            if ((options & loCutToSize) && f.Size() > 0 && s->size() > f.Size()) s->truncate(f.Size());
            if (s->isEmpty()) v = TValue{};
        }
        probe[fields[i]] = v;
    }
    Index& ix = IndexFor(fields, options & loCaseInsensitive);
    auto it = ix.rows.find(RowKey(ix, probe));
    if (it == ix.rows.end()) return false;
    SetCurrent(it->second);
    return true;
}

int TIBTable::DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) {
    if (!inserting) Fail("Table rows are only inserted here");
    QStringList cols, marks;
    std::vector<TValue> params;
    for (const auto& f : Fields())
        if (assigned[f->Index()]) {
            cols << f->FieldName();
            marks << "?";
            params.push_back(row[f->Index()]);
        }
    QString sql = QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, cols.join(", "), marks.join(", "));
    try {
        FbStatement& st = db_.Prepare(sql, tr_);
        db_.Execute(st, tr_, params);
    } catch (const EParameterRangeError& e) {
        Cancel();
        throw e.ForColumn(cols.value(e.Index()));
    } catch (...) {
        // The refused row is dropped: it must not fail every later operation on this table.
        Cancel();
        throw;
    }
    auto pos = std::upper_bound(rows_.begin(), rows_.end(), row,
                                [this](const TRow& a, const TRow& b) { return PkLess(a, b); });
    bool atEnd = pos == rows_.end();
    int index = static_cast<int>(pos - rows_.begin());
    rows_.insert(pos, std::move(row));
    if (atEnd) {
        for (Index& ix : indexes_)
            ix.rows.try_emplace(RowKey(ix, rows_[index]), index);
    } else {
        indexes_.clear(); // positions moved; rebuilt on the next search
    }
    if (db_.HasWriteListeners()) db_.RowInserted(table_, cols, params);
    return index;
}
