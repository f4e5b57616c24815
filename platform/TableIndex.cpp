#include "TableIndex.h"

#include "Errors.h"
#include "Text.h"
#include "ValueText.h"

namespace {
constexpr int64_t kUnitsPerDay = 864000000; // ten-thousandths of a second

QStringList Names(const char* list) {
    return SplitKeyFields(QString::fromLatin1(list));
}
} // namespace

TTableIndex::TTableIndex(const TTableIndexDef& def, TIBDatabase& db, TIBTransaction& tr)
    : name_(QString::fromLatin1(def.name)), table_(QString::fromLatin1(def.table)),
      keyNames_(Names(def.keyColumns)), resultNames_(Names(def.resultColumns)), db_(db), tr_(tr) {
    QStringList where;
    for (const QString& k : keyNames_)
        where << k + " = ?";
    selectAll_ = QString("SELECT %1 FROM %2").arg((keyNames_ + resultNames_).join(", "), table_);
    selectWhere_ =
        QString("SELECT %1 FROM %2 WHERE %3").arg(resultNames_.join(", "), table_, where.join(" AND "));
    db_.AddWriteListener(this);
    db_.AddCloseHandler(this, [this] {
        Unload();
        described_ = false; // another file may be opened next
    });
}

TTableIndex::~TTableIndex() {
    db_.RemoveCloseHandler(this);
    db_.RemoveWriteListener(this);
}

int TTableIndex::Column(const QString& name) const {
    int i = static_cast<int>(resultNames_.indexOf(name));
    if (i < 0) throw EDatabaseError(QString("%1: Field '%2' not found").arg(name_, name));
    return i;
}

int64_t TTableIndex::AsInteger(const TValue& v) {
    return IsNull(v) ? 0 : ParamScaled(v, 0).value_or(0);
}

bool TTableIndex::InMemory() {
    if (!described_) Describe();
    return inMemory_;
}

void TTableIndex::Describe() {
    keys_.clear();
    primaryKey_.clear();
    bool exact = true;
    FbStatement& all = db_.Prepare(selectAll_, tr_);
    for (int i = 0; i < keyNames_.size(); ++i) {
        const FbColumn& c = all.Columns()[static_cast<size_t>(i)];
        KeyColumn k{keyNames_[i]};
        switch (c.type) {
        case SQL_TEXT:
        case SQL_VARYING:
            k.kind = KeyKind::Text;
            k.length = c.length;
            break;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            k.kind = KeyKind::Exact;
            k.scale = -c.scale;
            exact = exact && k.scale <= 4; // held with four decimals
            break;
        case SQL_TYPE_DATE:
            k.kind = KeyKind::Date;
            break;
        case SQL_TYPE_TIME:
            k.kind = KeyKind::Time;
            break;
        case SQL_TIMESTAMP:
            k.kind = KeyKind::Timestamp;
            break;
        default:
            exact = false; // floating point and the rest compare in ways not reproduced here
        }
        keys_.push_back(k);
    }

    // A text key compares byte for byte only under its character set's binary collation.
    FbStatement& collations =
        db_.Prepare("SELECT TRIM(RF.RDB$FIELD_NAME), COALESCE(RF.RDB$COLLATION_ID, F.RDB$COLLATION_ID, 0) "
                    "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                    "WHERE RF.RDB$RELATION_NAME = ?",
                    tr_);
    const TValue table[] = {table_};
    db_.Execute(collations, tr_, table);
    std::vector<TValue> row;
    while (collations.Fetch(row))
        for (const KeyColumn& k : keys_)
            if (k.kind == KeyKind::Text && k.name == std::get<QString>(row[0]) &&
                std::get<int64_t>(row[1]) != 0)
                exact = false;

    FbStatement& pk = db_.Prepare(
        "SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$RELATION_CONSTRAINTS C JOIN RDB$INDEX_SEGMENTS S ON "
        "S.RDB$INDEX_NAME = C.RDB$INDEX_NAME WHERE C.RDB$RELATION_NAME = ? AND "
        "C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY S.RDB$FIELD_POSITION",
        tr_);
    db_.Execute(pk, tr_, table);
    while (pk.Fetch(row))
        primaryKey_ << std::get<QString>(row[0]);
    QStringList where;
    for (const QString& k : primaryKey_)
        where << k + " = ?";
    selectByPk_ = selectAll_ + " WHERE " + where.join(" AND ");

    // Rows inserted later are read back by their primary key.
    inMemory_ = exact && !primaryKey_.isEmpty();
    described_ = true;
}

void TTableIndex::Load() {
    if (!described_) Describe();
    if (!inMemory_ || loaded_) return;
    Unload();
    FbStatement& st = db_.Prepare(selectAll_, tr_);
    db_.Execute(st, tr_, {});
    std::vector<TValue> fetched;
    while (st.Fetch(fetched))
        Append(fetched);
    loaded_ = true;
}

void TTableIndex::Unload() {
    loaded_ = false;
    // Let go of the memory at once; a table changed row by row (the brand command updates every
    // product) finds nothing left to clear after the first time.
    rows_ = {};
    next_ = {};
    chains_ = {};
}

void TTableIndex::Append(std::vector<TValue>& fetched) {
    QString key;
    for (size_t i = 0; i < keys_.size(); ++i) {
        QString part;
        if (!KeyPart(keys_[i], fetched[i], part)) return;
        if (i) key += QChar(0x1F);
        key += part;
    }
    int pos = static_cast<int>(rows_.size());
    rows_.emplace_back(std::make_move_iterator(fetched.begin() + static_cast<std::ptrdiff_t>(keys_.size())),
                       std::make_move_iterator(fetched.end()));
    next_.push_back(-1);
    auto [it, fresh] = chains_.try_emplace(std::move(key), Chain{pos, pos});
    if (!fresh) {
        next_[static_cast<size_t>(it->second.last)] = pos;
        it->second.last = pos;
    }
}

bool TTableIndex::KeyPart(const KeyColumn& k, const TValue& v, QString& out) const {
    // A value stored in the column passes these conversions unchanged; a searched one is taken as
    // the statement's parameter would carry it.
    if (IsNull(v)) return false; // NULL equals nothing
    switch (k.kind) {
    case KeyKind::Text: {
        // Firebird compares texts as if the shorter were padded with blanks, in fixed-width and
        // variable-width columns alike; a text longer than the column equals none of its values.
        const QString t = WithoutTrailingBlanks(ParamText(v));
        if (t.size() > k.length) return false;
        out = QString::number(t.size()) + ':' + t;
        return true;
    }
    case KeyKind::Exact: {
        const std::optional<int64_t> x = ParamScaled(v, k.scale);
        if (!x) return false; // beyond 64 bits: beyond the column too
        out = QString::number(*x);
        return true;
    }
    case KeyKind::Date:
        out = QString::number(DatePart(ParamDateTime(v)));
        return true;
    case KeyKind::Time:
        out = QString::number(TimeOfDayUnits(ParamDateTime(v)));
        return true;
    case KeyKind::Timestamp: {
        const TDateTime dt = ParamDateTime(v);
        out = QString::number(DatePart(dt) * kUnitsPerDay + TimeOfDayUnits(dt));
        return true;
    }
    }
    return false;
}

bool TTableIndex::KeyOf(const std::vector<TValue>& keys, QString& out) const {
    if (keys.size() != keys_.size()) throw EDatabaseError(name_ + ": one value is needed per key column");
    out.clear();
    for (size_t i = 0; i < keys_.size(); ++i) {
        QString part;
        if (!KeyPart(keys_[i], keys[i], part)) return false;
        if (i) out += QChar(0x1F);
        out += part;
    }
    return true;
}

std::vector<const TTableIndex::Row*> TTableIndex::RunStatement(const std::vector<TValue>& keys,
                                                               bool firstOnly) {
    found_.clear();
    std::vector<const Row*> out;
    // The statement would refuse a text parameter longer than its column; it equals nothing.
    for (size_t i = 0; i < keys_.size() && i < keys.size(); ++i) {
        QString part;
        if (keys_[i].kind == KeyKind::Text && !KeyPart(keys_[i], keys[i], part)) return out;
    }
    FbStatement& st = db_.Prepare(selectWhere_, tr_);
    db_.Execute(st, tr_, keys);
    Row row;
    while (st.Fetch(row)) {
        found_.push_back(std::move(row));
        if (firstOnly) {
            st.CloseCursor();
            break;
        }
    }
    for (const Row& r : found_)
        out.push_back(&r);
    return out;
}

std::vector<const TTableIndex::Row*> TTableIndex::FindAll(const std::vector<TValue>& keys) {
    Load();
    if (!inMemory_) return RunStatement(keys, false);
    std::vector<const Row*> out;
    QString key;
    if (!KeyOf(keys, key)) return out;
    auto it = chains_.find(key);
    if (it == chains_.end()) return out;
    for (int r = it->second.first; r >= 0; r = next_[static_cast<size_t>(r)])
        out.push_back(&rows_[static_cast<size_t>(r)]);
    return out;
}

const TTableIndex::Row* TTableIndex::Find(const std::vector<TValue>& keys) {
    Load();
    if (!inMemory_) {
        auto rows = RunStatement(keys, true);
        return rows.empty() ? nullptr : rows.front();
    }
    QString key;
    if (!KeyOf(keys, key)) return nullptr;
    auto it = chains_.find(key);
    return it == chains_.end() ? nullptr : &rows_[static_cast<size_t>(it->second.first)];
}

void TTableIndex::RowInserted(const QString& table, const QStringList& columns,
                              std::span<const TValue> values) {
    if (!loaded_ || table.compare(table_, Qt::CaseInsensitive) != 0) return;
    std::vector<TValue> pk;
    for (const QString& k : primaryKey_) {
        qsizetype i = columns.indexOf(k);
        if (i < 0) { // not told the key: read the table again when next searched
            Unload();
            return;
        }
        pk.push_back(values[static_cast<size_t>(i)]);
    }
    // Read back as stored: the column's type, its triggers and its defaults have had their say.
    FbStatement& st = db_.Prepare(selectByPk_, tr_);
    db_.Execute(st, tr_, pk);
    std::vector<TValue> fetched;
    while (st.Fetch(fetched))
        Append(fetched);
}

void TTableIndex::TableChanged(const QString& table) {
    if (table.isEmpty() || table.compare(table_, Qt::CaseInsensitive) == 0) Unload();
}
