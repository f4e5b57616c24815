#include "ClientDataSet.h"

#include "InsertedFields.h"
#include "StoredKey.h"
#include "ValueText.h"

#include <QSet>
#include <algorithm>

TClientDataSet::TClientDataSet(const TClientDataSetDef& def, TIBDatabase& db, TIBTransaction& tr,
                               TRefusals* refusals)
    : TDataSet(QString::fromLatin1(def.name)), CommandText(QString::fromLatin1(def.sql)), db_(db), tr_(tr),
      refusals_(refusals), table_(def.table ? QString::fromLatin1(def.table) : QString()) {
    KeyMustStay = def.keyMustStay;
    DefineFields(def.fields);
    if (def.keyFields) {
        keyFields_ = SplitKeyFields(QString::fromLatin1(def.keyFields));
        for (const QString& k : keyFields_)
            keyIndexes_.push_back(FieldByName(k).Index());
    }
}

void TClientDataSet::DoOpen() {
    db_.EnsureConnected();
    described_ = false;
    if (SelectsNothing && SelectsNothing()) {
        log_.clear();
        RebuildIndexes();
        return;
    }
    FbStatement& st = db_.Prepare(CommandText, tr_);
    // Each declared field takes the result column of its name.
    std::vector<int> columnOf(Fields().size(), -1);
    for (size_t c = 0; c < st.Columns().size(); ++c)
        if (TField* f = FindField(st.Columns()[c].name)) columnOf[f->Index()] = static_cast<int>(c);
    for (const auto& f : Fields())
        if (columnOf[f->Index()] < 0) Fail(QString("Field '%1' not found").arg(f->FieldName()));
    db_.Execute(st, tr_, Params);
    // A source set holds a whole legacy table. Its texts repeat a lot (establishments, suppliers,
    // the sale of consecutive items): equal texts of a column share one copy.
    std::vector<QSet<QString>> seen(Fields().size());
    constexpr qsizetype kSharedPerColumn = 4096;
    TRow fetched;
    while (st.Fetch(fetched)) {
        // A legacy statement may work long for each row it gives (a look-up whose table lacks its
        // index): a stop does not wait for the whole table.
        db_.CheckStop();
        TRow row(Fields().size());
        for (const auto& f : Fields()) {
            TValue v = f->Store(fetched[columnOf[f->Index()]]);
            if (auto text = std::get_if<QString>(&v)) {
                QSet<QString>& shared = seen[f->Index()];
                auto it = shared.constFind(*text);
                if (it != shared.constEnd())
                    *text = *it;
                else if (shared.size() < kSharedPerColumn)
                    shared.insert(*text);
            }
            row[f->Index()] = std::move(v);
        }
        rows_.push_back(std::move(row));
    }
    log_.clear();
    RebuildIndexes();
}

void TClientDataSet::DoClose() {
    log_.clear();
    for (Index& ix : indexes_)
        ix.rows.clear();
    groups_.clear();
}

void TClientDataSet::DoOnNewRecord() {
    if (OnNewRecord) OnNewRecord(*this);
}

int TClientDataSet::DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) {
    if (inserting) {
        rows_.push_back(std::move(row));
        int pos = RecordCount() - 1;
        if (!table_.isEmpty()) log_.push_back({pos, true, assigned, {}, {}});
        for (Index& ix : indexes_)
            IndexRow(ix, pos);
        for (Group& g : groups_)
            GroupRow(g, pos);
        return pos;
    }
    // A row not applied yet is still written as one insert, as it stands now.
    for (Change& pending : log_)
        if (pending.inserted && pending.row == current_) {
            for (size_t i = 0; i < assigned.size(); ++i)
                pending.assigned[i] = pending.assigned[i] || assigned[i];
            rows_[current_] = std::move(row);
            RebuildIndexes();
            return current_;
        }
    Change c{current_, false, assigned, {}, rows_[current_]};
    for (int k : keyIndexes_)
        c.oldKey.push_back(rows_[current_][k]);
    rows_[current_] = std::move(row);
    if (!table_.isEmpty()) log_.push_back(std::move(c));
    RebuildIndexes();
    return current_;
}

QString TClientDataSet::KeyText(const TRow& row) const {
    return KeyValuesText(row, keyIndexes_);
}

const TClientDataSet::Statement& TClientDataSet::StatementFor(const std::vector<char>& sets, bool inserted,
                                                              const QString& returning) {
    // Rows that set the same columns share one statement, built once.
    std::string key(sets.begin(), sets.end());
    key += inserted ? 'I' : 'U';
    key += returning.isEmpty() ? 'N' : 'R';
    auto it = statements_.find(key);
    if (it != statements_.end()) return it->second;
    Statement st;
    for (const auto& f : Fields())
        if (sets[f->Index()]) st.columns << f->FieldName();
    if (inserted) {
        QStringList marks;
        for (qsizetype i = 0; i < st.columns.size(); ++i)
            marks << "?";
        st.sql =
            QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table_, st.columns.join(", "), marks.join(", ")) +
            returning;
        st.returning = !returning.isEmpty();
    } else if (!st.columns.isEmpty()) {
        QStringList sets, where;
        for (const QString& col : st.columns)
            sets << col + " = ?";
        for (const QString& k : keyFields_)
            where << k + " = ?";
        st.sql = QString("UPDATE %1 SET %2 WHERE %3").arg(table_, sets.join(", "), where.join(" AND "));
    }
    return statements_.emplace(std::move(key), std::move(st)).first->second;
}

bool TClientDataSet::KeyIndexed() const {
    auto isKey = [this](int f) {
        return std::find(keyIndexes_.begin(), keyIndexes_.end(), f) != keyIndexes_.end();
    };
    for (const Index& ix : indexes_)
        if (std::any_of(ix.fields.begin(), ix.fields.end(), isKey)) return true;
    for (const Group& g : groups_)
        if (std::any_of(g.fields.begin(), g.fields.end(), isKey)) return true;
    return false;
}

void TClientDataSet::ApplyChange(const Change& c) {
    TRow& row = rows_[c.row];
    // An update writes only the columns the edit changed: what the set does not hold stays stored.
    const std::vector<char> sets =
        c.inserted ? InsertedFields(db_, tr_, table_, *this, row, c.assigned) : c.assigned;
    const Statement& statement =
        StatementFor(sets, c.inserted, c.inserted ? db_.ReturningClause(table_, keyFields_, tr_) : QString());
    if (statement.sql.isEmpty()) return; // an edit that changed nothing
    std::vector<TValue> params;
    for (const auto& f : Fields())
        if (sets[f->Index()]) params.push_back(row[f->Index()]);
    if (!c.inserted) params.insert(params.end(), c.oldKey.begin(), c.oldKey.end());
    FbStatement& st = db_.Prepare(statement.sql, tr_);
    try {
        db_.ExecuteWrite(st, tr_, params, table_, c.inserted ? TWriteKind::Insert : TWriteKind::Update);
    } catch (const EParameterRangeError& e) {
        // The statement knows its parameters by position: set columns first, then the key.
        throw e.ForColumn(table_, (statement.columns + keyFields_).value(e.Index()));
    }
    if (!c.inserted && st.RowsAffected() == 0)
        throw EDatabaseError("Record not found or changed by another user");
    // The row and what it tells carry the key the destination stored.
    QStringList columns = statement.columns;
    if (statement.returning &&
        TakeStoredKey(db_, tr_, table_, *this, keyIndexes_, st.Returned(), KeyMustStay, row, columns,
                      params) &&
        KeyIndexed())
        RebuildIndexes();
    if (db_.Journal())
        db_.RowWritten(table_, c.inserted ? TWriteKind::Insert : TWriteKind::Update, KeyText(row));
    // What the change wrote, for what the connection's listeners hold of the table.
    if (!db_.HasWriteListeners()) return;
    if (c.inserted)
        db_.RowInserted(table_, columns, params);
    else
        db_.TableChanged(table_);
}

int TClientDataSet::ApplyUpdates(int /*maxErrors*/) {
    SettlePending();
    if (log_.empty()) return 0;
    if (table_.isEmpty()) Fail("Cannot apply updates: no table to write to");
    // Connection failures are not refusals of a row: let them end the caller's work.
    tr_.EnsureStarted();
    int refused = 0;
    size_t sent = 0;
    auto refuse = [&](const Exception& e) {
        ++refused;
        if (refusals_) refusals_->Record(table_, KeyText(rows_[log_[sent].row]), e.Message());
    };
    try {
        for (; sent < log_.size(); ++sent) {
            try {
                ApplyChange(log_[sent]);
            } catch (const EIBError& e) {
                // A code the row's own statement gave is no refusal when the connection under it
                // is gone: the client's words for that vary with where the loss met the call.
                if (!e.IsRefusal() || db_.ConnectionLost()) throw;
                refuse(e);
            } catch (const EColumnRangeError& e) {
                // A value its column cannot hold: the database would refuse the row with a numeric
                // overflow, so it is refused here, named by value and column, before it is sent.
                refuse(e);
            }
        }
    } catch (...) {
        // Any other failure ends the apply and the caller's work. The rows sent before it stay
        // written; the failed row and the rows after it were not written and are dropped from the
        // log and from the set, as CancelUpdates drops them: a later apply must not send them
        // ahead of the rows a later run posts again from the same source, and the set's own
        // searches must not find them as if they were stored.
        log_.erase(log_.begin(), log_.begin() + static_cast<std::ptrdiff_t>(sent));
        CancelUpdates();
        throw;
    }
    log_.clear();
    return refused;
}

void TClientDataSet::CancelUpdates() {
    SettlePending();
    std::vector<int> dropped;
    for (auto it = log_.rbegin(); it != log_.rend(); ++it) {
        if (it->inserted)
            dropped.push_back(it->row);
        else
            rows_[it->row] = it->before;
    }
    log_.clear();
    std::sort(dropped.begin(), dropped.end(), std::greater<>());
    for (int r : dropped)
        rows_.erase(rows_.begin() + r);
    RebuildIndexes();
    NotifyDataSetChanged();
    SetCurrent(rows_.empty() ? -1 : std::min(std::max(current_, 0), RecordCount() - 1));
}

std::vector<int> TClientDataSet::ResolveFields(const QString& keyFields) {
    std::vector<int> out;
    for (const QString& n : SplitKeyFields(keyFields))
        out.push_back(FieldByName(n).Index());
    return out;
}

QString TClientDataSet::SearchKey(const std::vector<int>& fields, const std::vector<TValue>& values,
                                  TLocateOptions options, bool fromRow) {
    std::vector<const TField*> fs;
    std::vector<TValue> vs;
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField* f = Fields()[fields[i]].get();
        fs.push_back(f);
        vs.push_back(fromRow ? values[i] : f->Store(values[i]));
    }
    return SearchKeyOf(fs, vs, options & loCaseInsensitive);
}

void TClientDataSet::IndexRow(Index& ix, int row) {
    std::vector<TValue> vs;
    for (int f : ix.fields)
        vs.push_back(rows_[row][f]);
    ix.rows.try_emplace(SearchKey(ix.fields, vs, ix.options, true), row);
}

void TClientDataSet::GroupRow(Group& g, int row) {
    std::vector<TValue> vs;
    for (int f : g.fields)
        vs.push_back(rows_[row][f]);
    g.rows[SearchKey(g.fields, vs, g.options, true)].push_back(row);
}

void TClientDataSet::RebuildIndexes() {
    for (Index& ix : indexes_) {
        ix.rows.clear();
        for (int r = 0; r < RecordCount(); ++r)
            IndexRow(ix, r);
    }
    for (Group& g : groups_) {
        g.rows.clear();
        for (int r = 0; r < RecordCount(); ++r)
            GroupRow(g, r);
    }
}

void TClientDataSet::AddIndex(const QString& keyFields, TLocateOptions options) {
    indexes_.push_back({ResolveFields(keyFields), options, {}});
    for (int r = 0; r < RecordCount(); ++r)
        IndexRow(indexes_.back(), r);
}

bool TClientDataSet::Locate(const QString& keyFields, const std::vector<TValue>& values,
                            TLocateOptions options) {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
    SettlePending();
    std::vector<int> fields = ResolveFields(keyFields);
    if (fields.size() != values.size()) Fail("Locate needs one value per key field");
    if (const std::vector<int> collated = Collated(fields, values); !collated.empty())
        return LocateCollated(fields, values, options, collated);
    QString wanted = SearchKey(fields, values, options, false);
    for (const Index& ix : indexes_) {
        if (ix.fields != fields || ix.options != options) continue;
        auto it = ix.rows.find(wanted);
        if (it == ix.rows.end()) return false;
        SetCurrent(it->second);
        return true;
    }
    for (int r = 0; r < RecordCount(); ++r) {
        std::vector<TValue> vs;
        for (int f : fields)
            vs.push_back(rows_[r][f]);
        if (SearchKey(fields, vs, options, true) == wanted) {
            SetCurrent(r);
            return true;
        }
    }
    return false;
}

std::vector<int> TClientDataSet::Collated(const std::vector<int>& fields, const std::vector<TValue>& values) {
    std::vector<int> out;
    if (table_.isEmpty()) return out; // a source set: its texts compare as held
    if (!described_) {
        collations_.clear();
        const QHash<QString, TCollatedColumn> columns = CollatedColumns(db_, tr_, table_);
        for (const auto& f : Fields())
            if (auto it = columns.find(f->FieldName()); it != columns.end())
                collations_.insert(f->Index(), *it);
        described_ = true;
    }
    if (collations_.isEmpty()) return out;
    for (size_t i = 0; i < fields.size(); ++i)
        if (collations_.contains(fields[i]) &&
            std::holds_alternative<QString>(Fields()[fields[i]]->Store(values[i])))
            out.push_back(fields[i]);
    return out;
}

bool TClientDataSet::LocateCollated(const std::vector<int>& fields, const std::vector<TValue>& values,
                                    TLocateOptions options, const std::vector<int>& collated) {
    // The rows that match on the other key fields, in order; of these the first whose collated
    // texts are equal, as memory compares them or as the destination's collation does.
    std::vector<int> others;
    std::vector<TValue> otherValues;
    std::vector<std::pair<int, TValue>> texts;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (std::find(collated.begin(), collated.end(), fields[i]) == collated.end()) {
            others.push_back(fields[i]);
            otherValues.push_back(values[i]);
        } else {
            texts.emplace_back(fields[i], Fields()[fields[i]]->Store(values[i]));
        }
    }
    auto g = std::find_if(groups_.begin(), groups_.end(),
                          [&](const Group& x) { return x.fields == others && x.options == options; });
    if (g == groups_.end()) {
        groups_.push_back({others, options, {}});
        g = groups_.end() - 1;
        for (int r = 0; r < RecordCount(); ++r)
            GroupRow(*g, r);
    }
    auto candidates = g->rows.find(SearchKey(others, otherValues, options, false));
    if (candidates == g->rows.end()) return false;
    for (int r : candidates->second) {
        const bool equal = std::all_of(texts.begin(), texts.end(), [&](const std::pair<int, TValue>& t) {
            const TValue& held = rows_[r][t.first];
            const TField* f = Fields()[t.first].get();
            if (SearchKeyOf({f}, {held}, options & loCaseInsensitive) ==
                SearchKeyOf({f}, {t.second}, options & loCaseInsensitive))
                return true;
            const auto text = std::get_if<QString>(&held);
            return text &&
                   CollationHoldsEqual(db_, tr_, collations_[t.first], *text, std::get<QString>(t.second));
        });
        if (equal) {
            SetCurrent(r);
            return true;
        }
    }
    return false;
}
