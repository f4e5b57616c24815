#include "DataSet.h"

#include "FieldConversions.h"
#include "Text.h"

#include <algorithm>

const TValue TDataSet::kNull{};

// --- field ------------------------------------------------------------------------------------

TField::TField(TDataSet& dataSet, const TFieldDef& def, int index)
    : dataSet_(dataSet), def_(def), fieldName_(QString::fromLatin1(def.name)), latin1Name_(def.name),
      index_(index) {
    def_.name = nullptr; // the name lives in fieldName_
}

QString TField::Name() const {
    return dataSet_.Name() + fieldName_;
}

const TValue& TField::Value() const {
    return dataSet_.FieldValue(index_);
}

int32_t TField::AsInteger() const {
    return ToInt32(Value(), fieldName_);
}

int64_t TField::AsLargeInt() const {
    return ToInt64(Value(), fieldName_);
}
QString TField::AsString() const {
    return ToText(Value());
}
double TField::AsFloat() const {
    return ToDouble(Value());
}
TCurrency TField::AsCurrency() const {
    return ToCurrency(Value(), fieldName_);
}
TDateTime TField::AsDateTime() const {
    return ToDateTime(Value());
}

TValue TField::Store(const TValue& v) const {
    if (::IsNull(v)) return v;
    switch (def_.type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        return ToText(v);
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
        return ToInt64(v, fieldName_);
    case TFieldType::ftFloat:
        return ToDouble(v);
    case TFieldType::ftBCD:
        return ToCurrency(v, fieldName_);
    case TFieldType::ftDate:
        return FromDayAndTime(DatePart(ToDateTime(v)), 0);
    case TFieldType::ftTime:
        return FromDayAndTime(0, TimeOfDayUnits(ToDateTime(v)));
    case TFieldType::ftDateTime:
        return ToDateTime(v);
    }
    return v;
}

TValue TField::Convert(const TValue& v) const {
    TValue s = Store(v);
    if (::IsNull(s)) return s;
    switch (def_.type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar: {
        auto& text = std::get<QString>(s);
        if (def_.size > 0 && text.size() > def_.size) text.truncate(def_.size);
        if (text.isEmpty() && dataSet_.EmptyTextIsNull()) return TValue{};
        return s;
    }
    case TFieldType::ftBCD:
        return std::get<TCurrency>(s).CutTo(def_.scale);
    default:
        if (IsIntegerType(def_.type)) {
            int64_t x = std::get<int64_t>(s);
            Range r = RangeOf(def_.type);
            if (x < r.low || x > r.high)
                throw ERangeError(
                    QString("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                        .arg(x)
                        .arg(fieldName_)
                        .arg(r.low)
                        .arg(r.high));
        }
        return s;
    }
}

void TField::SetValue(const TValue& v) {
    dataSet_.SetFieldValue(index_, Convert(v));
}

// --- dataset ----------------------------------------------------------------------------------

TDataSet::TDataSet(QString name) : name_(std::move(name)) {}

TDataSet::~TDataSet() = default;

void TDataSet::Fail(const QString& message) const {
    throw EDatabaseError(name_ + ": " + message);
}

void TDataSet::DefineFields(TFieldDefs defs) {
    for (const TFieldDef& d : defs)
        AddField(d, QString::fromLatin1(d.name));
}

int TDataSet::AddField(const TFieldDef& def, QString name) {
    int index = static_cast<int>(fields_.size());
    TFieldDef copy = def;
    QByteArray latin = name.toLatin1();
    copy.name = latin.constData();
    fields_.push_back(std::make_unique<TField>(*this, copy, index));
    byName_.insert(name, index);
    byLatin1_.emplace(fields_.back()->Latin1Name(), index);
    return index;
}

void TDataSet::ClearFields() {
    fields_.clear();
    byName_.clear();
    byLatin1_.clear();
}

TField* TDataSet::FindField(const QString& name) {
    auto it = byName_.find(name);
    if (it == byName_.end()) it = byName_.find(name.toUpper());
    return it == byName_.end() ? nullptr : fields_[*it].get();
}

TField& TDataSet::FieldByName(const char* name) {
    auto it = byLatin1_.find(std::string_view(name));
    if (it != byLatin1_.end()) return *fields_[it->second];
    return FieldByName(QString::fromLatin1(name));
}

TField& TDataSet::FieldByName(const QString& name) {
    TField* f = FindField(name);
    if (!f) Fail(QString("Field '%1' not found").arg(name));
    return *f;
}

void TDataSet::Open() {
    if (Active()) return;
    rows_.clear();
    DoOpen();
    state_ = TDataSetState::dsBrowse;
    current_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    NotifyDataSetChanged();
}

void TDataSet::Close() {
    if (!Active()) return;
    DoClose();
    rows_.clear();
    rows_.shrink_to_fit();
    buffer_.clear();
    state_ = TDataSetState::dsInactive;
    current_ = -1;
    eof_ = true;
    NotifyDataSetChanged();
}

void TDataSet::SetCurrent(int pos) {
    current_ = pos;
    eof_ = rows_.empty();
    NotifyRecordChanged();
}

void TDataSet::First() {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
    SettlePending();
    SetCurrent(rows_.empty() ? -1 : 0);
}

void TDataSet::Next() {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
    SettlePending();
    if (current_ + 1 < RecordCount()) {
        current_++;
        NotifyRecordChanged();
    } else {
        eof_ = true;
    }
}

void TDataSet::SettlePending() {
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsEdit) Cancel();
}

void TDataSet::Insert() {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
    SettlePending();
    buffer_.assign(fields_.size(), TValue{});
    assigned_.assign(fields_.size(), 0);
    state_ = TDataSetState::dsInsert;
    try {
        DoOnNewRecord();
    } catch (...) {
        Cancel(); // an insert whose defaults failed is abandoned
        throw;
    }
}

void TDataSet::Edit() {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
    if (current_ < 0) Fail("Cannot perform this operation on an empty dataset");
    buffer_ = rows_[current_];
    assigned_.assign(fields_.size(), 0);
    state_ = TDataSetState::dsEdit;
}

void TDataSet::Post() {
    if (state_ != TDataSetState::dsInsert && state_ != TDataSetState::dsEdit)
        Fail("Dataset not in edit or insert mode");
    for (const auto& f : fields_)
        if (f->Required() && ::IsNull(buffer_[f->Index()]))
            throw EDatabaseError(QString("Field '%1' must have a value").arg(f->FieldName()));
    bool inserting = state_ == TDataSetState::dsInsert;
    int pos = DoPost(buffer_, assigned_, inserting);
    state_ = TDataSetState::dsBrowse;
    buffer_.clear();
    if (inserting) NotifyDataSetChanged();
    SetCurrent(pos);
}

bool TDataSet::Modified() const {
    if (state_ != TDataSetState::dsInsert && state_ != TDataSetState::dsEdit) return false;
    return std::find(assigned_.begin(), assigned_.end(), 1) != assigned_.end();
}

void TDataSet::Cancel() {
    if (state_ != TDataSetState::dsInsert && state_ != TDataSetState::dsEdit) return;
    bool inserting = state_ == TDataSetState::dsInsert;
    state_ = TDataSetState::dsBrowse;
    buffer_.clear();
    DoCancel(inserting);
}

const TValue& TDataSet::FieldValue(int index) const {
    if (state_ == TDataSetState::dsInsert || state_ == TDataSetState::dsEdit) return buffer_[index];
    if (current_ < 0 || current_ >= RecordCount()) return kNull;
    return rows_[current_][index];
}

void TDataSet::SetFieldValue(int index, TValue v) {
    if (state_ != TDataSetState::dsInsert && state_ != TDataSetState::dsEdit)
        Fail("Dataset not in edit or insert mode");
    buffer_[index] = std::move(v);
    assigned_[index] = 1;
}

void TDataSet::AddListener(TDataSetListener* l) {
    listeners_.push_back(l);
}
void TDataSet::RemoveListener(TDataSetListener* l) {
    std::erase(listeners_, l);
}

void TDataSet::NotifyDataSetChanged() {
    for (auto* l : listeners_)
        l->DataSetChanged();
}

void TDataSet::NotifyRecordChanged() {
    for (auto* l : listeners_)
        l->RecordChanged();
}
