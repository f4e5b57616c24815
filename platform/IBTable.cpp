#include "IBTable.h"

#include "Collations.h"
#include "Elapsed.h"
#include "Errors.h"
#include "InsertedFields.h"
#include "StoredKey.h"
#include "Text.h"
#include "ValueText.h"

#include <algorithm>

TIBTable::TIBTable(const TTableDef& def, TIBDatabase& db, TIBTransaction& tr)
    : TDataSet(QString::fromLatin1(def.name)), db_(db), tr_(tr), table_(QString::fromLatin1(def.table)) {
    KeyMustStay = def.keyMustStay;
    DefineFields(def.fields);
    pkNames_ = SplitKeyFields(QString::fromLatin1(def.primaryKey));
    for (const QString& k : pkNames_)
        pk_.push_back(FieldByName(k).Index());
    QStringList cols, order, byKey;
    for (const auto& f : Fields())
        cols << f->FieldName();
    for (int k : pk_) {
        order << Fields()[k]->FieldName();
        byKey << Fields()[k]->FieldName() + " = ?";
    }
    selectAll_ = QString("SELECT %1 FROM %2").arg(cols.join(", "), table_);
    orderByKey_ = " ORDER BY " + order.join(", ");
    if (!pk_.empty()) selectByKey_ = selectAll_ + " WHERE " + byKey.join(" AND ");
    db_.AddCloseHandler(this, [this] {
        Close();
        described_ = false; // another file may be opened next
    });
    db_.AddWriteListener(this);
}

TIBTable::~TIBTable() {
    db_.RemoveWriteListener(this);
    db_.RemoveCloseHandler(this);
}

void TIBTable::RowInserted(const QString& table, const QStringList& columns, std::span<const TValue> values) {
    // Its own posts are held already; a row another component inserted is read back.
    if (posting_ || !Active() || table.compare(table_, Qt::CaseInsensitive) != 0) return;
    TRow row;
    if (ReadBack(columns, values, row))
        Hold(std::move(row));
    else
        TableChanged(table_);
}

void TIBTable::TableChanged(const QString& table) {
    if (table.isEmpty()) described_ = false; // the end of a job: the destination is asked anew
    // A row being filled stays: it is the caller's, and closing would lose it.
    if (State() != TDataSetState::dsBrowse) return;
    if (table.isEmpty() || table.compare(table_, Qt::CaseInsensitive) == 0) Close();
}

void TIBTable::TableOutOfDate(const QString& table) {
    if (!Active() || outOfDate_) return;
    if (!table.isEmpty() && table.compare(table_, Qt::CaseInsensitive) != 0) return;
    outOfDate_ = true;
    askedSeconds_ = 0;
}

void TIBTable::DoOpen() {
    const auto start = std::chrono::steady_clock::now();
    db_.EnsureConnected();
    if (!described_) {
        const QHash<QString, TCollatedColumn> collated = CollatedColumns(db_, tr_, table_);
        collated_.assign(Fields().size(), 0);
        for (const auto& f : Fields())
            collated_[f->Index()] = collated.contains(f->FieldName());
        described_ = true;
    }
    FbStatement& st = db_.Prepare(selectAll_ + orderByKey_, tr_);
    db_.Execute(st, tr_, {});
    TRow fetched;
    while (st.Fetch(fetched)) {
        TRow row(Fields().size());
        for (const auto& f : Fields())
            row[f->Index()] = f->Store(fetched[f->Index()]);
        rows_.push_back(std::move(row));
    }
    indexes_.clear();
    outOfDate_ = false;
    readSeconds_ = SecondsSince(start);
}

void TIBTable::DoClose() {
    indexes_.clear();
    outOfDate_ = false;
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
    // Out of date: ask the destination, until asking has cost what reading it all again does.
    if (outOfDate_ && askedSeconds_ >= readSeconds_) {
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
    // Out of date, the held rows cannot answer: the destination does, as memory would compare.
    std::optional<TRow> asked;
    int found = -1;
    if (outOfDate_) {
        const auto start = std::chrono::steady_clock::now();
        asked = AskDatabase(fields, probe, options & loCaseInsensitive, false);
        askedSeconds_ += SecondsSince(start);
    } else {
        Index& ix = IndexFor(fields, options & loCaseInsensitive);
        auto it = ix.rows.find(RowKey(ix, probe));
        if (it != ix.rows.end()) found = it->second;
    }
    // What a collation holds equal only the destination knows; the first in key order of both wins.
    if (SearchesCollated(fields, probe)) {
        std::optional<TRow> collated = AskDatabase(fields, probe, options & loCaseInsensitive, true);
        const TRow* other = asked ? &*asked : found >= 0 ? &rows_[found] : nullptr;
        if (collated && (!other || PkLess(*collated, *other))) {
            asked = std::move(collated);
            found = -1;
        }
    }
    if (asked) found = PositionOf(std::move(*asked));
    if (found < 0) return false;
    SetCurrent(found);
    return true;
}

bool TIBTable::SearchesCollated(const std::vector<int>& fields, const TRow& probe) {
    for (int f : fields)
        if (collated_[static_cast<size_t>(f)] && std::holds_alternative<QString>(probe[f])) return true;
    return false;
}

std::optional<TRow> TIBTable::AskDatabase(const std::vector<int>& fields, const TRow& probe,
                                          bool caseInsensitive, bool byCollation) {
    QStringList where;
    std::vector<TValue> params;
    std::vector<int> compared; // the fields the rows returned are compared on here
    for (int f : fields) {
        const TField& field = *Fields()[f];
        const TValue v = Comparable(probe[f]);
        if (IsNull(v)) {
            where << field.FieldName() + " IS NULL";
            continue;
        }
        // A text longer than the column equals none of its values (the statement would refuse it).
        const auto text = std::get_if<QString>(&v);
        if (text && field.Size() > 0 && text->size() > field.Size()) return std::nullopt;
        params.push_back(v);
        // The column's own comparison, under its collation, is the answer for a collated text.
        if (text && byCollation && collated_[static_cast<size_t>(f)]) {
            where << field.FieldName() + " = ?";
            continue;
        }
        compared.push_back(f);
        where << (text && caseInsensitive ? "UPPER(" + field.FieldName() + ") = UPPER(?)"
                                          : field.FieldName() + " = ?");
    }
    FbStatement& st = db_.Prepare(selectAll_ + " WHERE " + where.join(" AND ") + orderByKey_, tr_);
    db_.Execute(st, tr_, params);
    // The first row in key order that equals the probe as held rows compare.
    const Index wanted{compared, caseInsensitive, {}};
    const QString key = RowKey(wanted, probe);
    TRow fetched;
    while (st.Fetch(fetched)) {
        TRow row(Fields().size());
        for (const auto& f : Fields())
            row[f->Index()] = f->Store(fetched[f->Index()]);
        if (RowKey(wanted, row) != key) continue;
        st.CloseCursor();
        return row;
    }
    return std::nullopt;
}

int TIBTable::PositionOf(TRow row) {
    if (pk_.empty()) { // no key to find it by: the held row equal to it, or a new one
        auto it = std::find(rows_.begin(), rows_.end(), row);
        if (it != rows_.end()) return static_cast<int>(it - rows_.begin());
        rows_.push_back(std::move(row));
        indexes_.clear();
        return RecordCount() - 1;
    }
    // Trusted held rows are the destination's: the held row of the same key is the one, and the
    // indexes over them stay.
    if (!outOfDate_) {
        auto pos = std::lower_bound(rows_.begin(), rows_.end(), row,
                                    [this](const TRow& a, const TRow& b) { return PkLess(a, b); });
        if (pos != rows_.end() && !PkLess(row, *pos)) return static_cast<int>(pos - rows_.begin());
    }
    return Hold(std::move(row));
}

bool TIBTable::ReadBack(const QStringList& columns, std::span<const TValue> values, TRow& row) {
    if (selectByKey_.isEmpty()) return false;
    std::vector<TValue> key;
    for (int k : pk_) {
        const qsizetype i = columns.indexOf(Fields()[k]->FieldName());
        if (i < 0) return false; // not told the key
        key.push_back(values[static_cast<size_t>(i)]);
    }
    FbStatement& st = db_.Prepare(selectByKey_, tr_);
    db_.Execute(st, tr_, key);
    TRow fetched;
    if (!st.Fetch(fetched)) return false;
    st.CloseCursor();
    row.assign(Fields().size(), TValue{});
    for (const auto& f : Fields())
        row[f->Index()] = f->Store(fetched[f->Index()]);
    return true;
}

int TIBTable::Hold(TRow row) {
    auto pos = std::lower_bound(rows_.begin(), rows_.end(), row,
                                [this](const TRow& a, const TRow& b) { return PkLess(a, b); });
    const int index = static_cast<int>(pos - rows_.begin());
    if (pos != rows_.end() && !PkLess(row, *pos)) { // the same key: the destination's row now
        *pos = std::move(row);
        indexes_.clear();
        return index;
    }
    const bool atEnd = pos == rows_.end();
    rows_.insert(pos, std::move(row));
    if (atEnd && !outOfDate_) {
        for (Index& ix : indexes_)
            ix.rows.try_emplace(RowKey(ix, rows_[index]), index);
    } else {
        indexes_.clear(); // positions moved; rebuilt on the next search
    }
    return index;
}

int TIBTable::DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) {
    if (!inserting) Fail("Table rows are only inserted here");
    QStringList cols, marks;
    std::vector<TValue> params;
    const std::vector<char> sets = InsertedFields(db_, tr_, table_, *this, row, assigned);
    for (const auto& f : Fields())
        if (sets[f->Index()]) {
            cols << f->FieldName();
            marks << "?";
            params.push_back(row[f->Index()]);
        }
    QString sql = QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, cols.join(", "), marks.join(", "));
    TRow stored;
    try {
        const QString returning = db_.ReturningClause(table_, pkNames_, tr_);
        FbStatement& st = db_.Prepare(sql + returning, tr_);
        db_.ExecuteWrite(st, tr_, params, table_, TWriteKind::Insert);
        // Where a trigger drew the key again, the row goes on under the key stored.
        if (!returning.isEmpty())
            TakeStoredKey(db_, tr_, table_, *this, pk_, st.Returned(), KeyMustStay, row, cols, params);
        // Held as stored: the destination's triggers and defaults have had their say. A row whose
        // key is not known (posted without it, and not returned) is held as it was posted.
        const bool keyKnown = !pk_.empty() && std::all_of(pk_.begin(), pk_.end(), [&](int k) {
            return (assigned[static_cast<size_t>(k)] || !returning.isEmpty()) &&
                   !IsNull(row[static_cast<size_t>(k)]);
        });
        if (!keyKnown)
            stored = row;
        else if (!ReadBack(cols, params, stored)) {
            QStringList key;
            for (int k : pk_)
                key << Fields()[k]->FieldName() + " = " + ValueText(row[k]);
            throw EKeyReplacedError(table_, key.join(", "));
        }
    } catch (const EParameterRangeError& e) {
        Cancel();
        throw e.ForColumn(table_, cols.value(e.Index()));
    } catch (...) {
        // The refused row is dropped: it must not fail every later operation on this table.
        Cancel();
        throw;
    }
    if (db_.Journal()) db_.RowWritten(table_, TWriteKind::Insert, KeyValuesText(row, pk_));
    const int index = Hold(std::move(stored));
    if (db_.HasWriteListeners()) {
        posting_ = true;
        try {
            db_.RowInserted(table_, cols, params);
        } catch (...) {
            posting_ = false;
            throw;
        }
        posting_ = false;
    }
    return index;
}
