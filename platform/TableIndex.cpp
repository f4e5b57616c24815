#include "TableIndex.h"

#include "Elapsed.h"
#include "Errors.h"
#include "FieldConversions.h"
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

int32_t TTableIndex::Integer(const Row& row, int column) const {
    return ToInt32(row.at(static_cast<size_t>(column)), resultNames_.value(column));
}

bool TTableIndex::InMemory() {
    if (!described_) Describe();
    return inMemory_;
}

bool TTableIndex::WrittenByTriggers() {
    if (!described_) Describe();
    return triggers_;
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

    // A text key compares byte for byte only under its character set's binary collation, and
    // OCTETS pads with NUL where memory pads with blanks.
    constexpr int64_t kOctets = 1;
    FbStatement& collations =
        db_.Prepare("SELECT TRIM(RF.RDB$FIELD_NAME), COALESCE(RF.RDB$COLLATION_ID, F.RDB$COLLATION_ID, 0), "
                    "COALESCE(F.RDB$CHARACTER_SET_ID, 0) "
                    "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                    "WHERE RF.RDB$RELATION_NAME = ?",
                    tr_);
    const TValue table[] = {table_};
    db_.Execute(collations, tr_, table);
    std::vector<TValue> row;
    while (collations.Fetch(row))
        for (const KeyColumn& k : keys_)
            if (k.kind == KeyKind::Text && k.name == std::get<QString>(row[0]) &&
                (std::get<int64_t>(row[1]) != 0 || std::get<int64_t>(row[2]) == kOctets))
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

    triggers_ = db_.WrittenByTriggers(table_, tr_);
    // Rows inserted later are read back by their primary key.
    inMemory_ = exact && !primaryKey_.isEmpty() && !HasUsableIndex();
    described_ = true;
}

bool TTableIndex::HasUsableIndex() {
    // Any active index that starts with a key column serves the statement's search.
    FbStatement& st =
        db_.Prepare("SELECT TRIM(S.RDB$FIELD_NAME) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S ON "
                    "S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE I.RDB$RELATION_NAME = ? AND "
                    "COALESCE(I.RDB$INDEX_INACTIVE, 0) = 0 AND S.RDB$FIELD_POSITION = 0",
                    tr_);
    const TValue table[] = {table_};
    db_.Execute(st, tr_, table);
    bool usable = false;
    std::vector<TValue> row;
    while (st.Fetch(row))
        usable = usable || keyNames_.contains(std::get<QString>(row[0]));
    return usable;
}

void TTableIndex::Load() {
    if (!described_) Describe();
    if (!inMemory_ || loaded_) return;
    // Out of date: the statement answers until it has cost what reading the table again does.
    if (outOfDate_ && askedSeconds_ < loadSeconds_) return;
    Unload();
    const auto start = std::chrono::steady_clock::now();
    FbStatement& st = db_.Prepare(selectAll_, tr_);
    db_.Execute(st, tr_, {});
    std::vector<TValue> fetched;
    while (st.Fetch(fetched))
        Append(fetched, false);
    loaded_ = true;
    outOfDate_ = false;
    loadSeconds_ = SecondsSince(start);
}

void TTableIndex::Unload() {
    loaded_ = false;
    // Let go of the memory at once; a table changed row by row (the brand command updates every
    // product) finds nothing left to clear after the first time.
    rows_ = {};
    next_ = {};
    chains_ = {};
    asked_ = {};
}

void TTableIndex::Append(std::vector<TValue>& fetched, bool inserted) {
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
    auto [it, fresh] = chains_.try_emplace(std::move(key), KeyRows{pos, pos, inserted});
    if (!fresh) {
        next_[static_cast<size_t>(it->second.last)] = pos;
        it->second.last = pos;
        it->second.inserted = it->second.inserted || inserted;
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

const std::vector<TTableIndex::Row>& TTableIndex::RunStatement(const std::vector<TValue>& keys, bool all,
                                                               std::vector<Row>& into) {
    if (keys.size() != keys_.size()) throw EDatabaseError(name_ + ": one value is needed per key column");
    into.clear();
    // The statement would refuse a text parameter longer than its column; it equals nothing.
    for (size_t i = 0; i < keys_.size(); ++i) {
        QString part;
        if (keys_[i].kind == KeyKind::Text && !KeyPart(keys_[i], keys[i], part)) return into;
    }
    const auto start = std::chrono::steady_clock::now();
    FbStatement& st = db_.Prepare(selectWhere_, tr_);
    db_.Execute(st, tr_, keys);
    Row row;
    while (st.Fetch(row)) { // at the end the cursor closes itself
        into.push_back(std::move(row));
        if (!all) {
            st.CloseCursor();
            break;
        }
    }
    if (outOfDate_) askedSeconds_ += SecondsSince(start);
    return into;
}

const TTableIndex::KeyRows* TTableIndex::Held(const std::vector<TValue>& keys, QString& key) {
    static constexpr KeyRows kNoRow{-1, -1, false};
    Load();
    if (!loaded_) return nullptr;
    if (!KeyOf(keys, key)) return &kNoRow;
    auto it = chains_.find(key);
    return it == chains_.end() ? &kNoRow : &it->second;
}

const std::vector<TTableIndex::Row>& TTableIndex::Asked(const QString& key, const std::vector<TValue>& keys) {
    // Only this connection's inserts into the table change the statement's answer, and they let go
    // of what was asked; so does a write of the destination's triggers, which lets go of it all.
    auto [it, fresh] = asked_.try_emplace(key);
    if (fresh) RunStatement(keys, true, it->second);
    return it->second;
}

const TTableIndex::Row* TTableIndex::Find(const std::vector<TValue>& keys) {
    QString key;
    const KeyRows* held = Held(keys, key);
    if (held && held->first < 0) return nullptr;
    if (held && held->Certain()) return &rows_[static_cast<size_t>(held->first)];
    // Where an inserted row lies among the others is the engine's to say.
    const std::vector<Row>& rows = held ? Asked(key, keys) : RunStatement(keys, false, found_);
    return rows.empty() ? nullptr : &rows.front();
}

bool TTableIndex::Exists(const std::vector<TValue>& keys) {
    QString key;
    const KeyRows* held = Held(keys, key);
    return held ? held->first >= 0 : !RunStatement(keys, false, found_).empty();
}

std::vector<const TTableIndex::Row*> TTableIndex::FindAll(const std::vector<TValue>& keys) {
    QString key;
    const KeyRows* held = Held(keys, key);
    std::vector<const Row*> out;
    if (held && held->Certain()) {
        for (int r = held->first; r >= 0; r = next_[static_cast<size_t>(r)])
            out.push_back(&rows_[static_cast<size_t>(r)]);
        return out;
    }
    for (const Row& r : held ? Asked(key, keys) : RunStatement(keys, true, found_))
        out.push_back(&r);
    return out;
}

void TTableIndex::RowInserted(const QString& table, const QStringList& columns,
                              std::span<const TValue> values) {
    if (table.compare(table_, Qt::CaseInsensitive) != 0) return;
    ++changes_;
    if (!loaded_) return;
    asked_.clear();
    std::vector<TValue> pk;
    QStringList named;
    for (const QString& k : primaryKey_) {
        qsizetype i = columns.indexOf(k);
        if (i < 0) { // not told the key: read the table again when next searched
            Unload();
            return;
        }
        pk.push_back(values[static_cast<size_t>(i)]);
        named << k + " = " + ValueText(pk.back());
    }
    // Read back as stored: the column's type, its triggers and its defaults have had their say.
    FbStatement& st = db_.Prepare(selectByPk_, tr_);
    db_.Execute(st, tr_, pk);
    std::vector<TValue> fetched;
    bool found = false;
    while (st.Fetch(fetched)) {
        Append(fetched, true);
        found = true;
    }
    if (!found) throw EKeyReplacedError(table_, named.join(", "));
}

void TTableIndex::TableChanged(const QString& table) {
    if (table.isEmpty()) described_ = false; // the end of a job: the destination is asked anew
    if (table.isEmpty() || table.compare(table_, Qt::CaseInsensitive) == 0) {
        ++changes_;
        Unload();
        outOfDate_ = false;
    }
}

void TTableIndex::TableOutOfDate(const QString& table) {
    if (!table.isEmpty() && table.compare(table_, Qt::CaseInsensitive) != 0) return;
    ++changes_;
    if (!loaded_) return; // what is read next is read from the destination
    Unload();
    outOfDate_ = true;
    askedSeconds_ = 0;
}
