#pragma once
// The dataset framework: fields with their declared types, and datasets that hold their rows in
// memory with a current row, insert and edit states.

#include "Errors.h"
#include "FieldDef.h"
#include "Values.h"

#include <QHash>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TDataSet;
using TRow = std::vector<TValue>;

enum class TDataSetState { dsInactive, dsBrowse, dsInsert, dsEdit };

// loCutToSize: a text longer than its field is cut to the field's size before the search, as a
// post would store it (a find-or-insert then finds the row it inserted for a long text).
enum TLocateOption : unsigned { loNone = 0, loCaseInsensitive = 1, loCutToSize = 2 };
using TLocateOptions = unsigned;

class TField {
public:
    TField(TDataSet& dataSet, const TFieldDef& def, int index);

    const QString& FieldName() const { return fieldName_; }
    const std::string& Latin1Name() const { return latin1Name_; }
    // The field object's own name: its dataset's name followed by the column (CDS_CLIENTECLI_NOME).
    QString Name() const;
    TFieldType DataType() const { return def_.type; }
    int Size() const { return def_.size; }
    int Scale() const { return def_.scale; }
    bool Required() const { return def_.required; }
    int Index() const { return index_; }
    TDataSet& DataSet() const { return dataSet_; }

    const TValue& Value() const;
    bool IsNull() const { return ::IsNull(Value()); }
    // Reading: NULL reads as 0 or as the empty text.
    int32_t AsInteger() const;
    int64_t AsLargeInt() const;
    QString AsString() const;
    double AsFloat() const;
    TCurrency AsCurrency() const;
    TDateTime AsDateTime() const;

    // Writing converts to the field's type: text is cut to the declared size, fixed point to the
    // declared decimals (toward zero), integers are checked against their range.
    void SetValue(const TValue& v);
    void SetAsInteger(int64_t v) { SetValue(TValue{v}); }
    void SetAsString(const QString& v) { SetValue(TValue{v}); }
    void SetAsFloat(double v) { SetValue(TValue{v}); }
    void SetAsCurrency(TCurrency v) { SetValue(TValue{v}); }
    void SetAsDateTime(TDateTime v) { SetValue(TValue{v}); }
    void Clear() { SetValue(TValue{}); }

    // A value from the database or from another field in this field's own representation.
    TValue Store(const TValue& v) const;

private:
    TValue Convert(const TValue& v) const;

    TDataSet& dataSet_;
    TFieldDef def_;
    QString fieldName_;
    std::string latin1Name_;
    int index_;
};

// Told when a dataset's rows or its current row change (the grids follow them).
class TDataSetListener {
public:
    virtual ~TDataSetListener() = default;
    virtual void DataSetChanged() = 0;
    virtual void RecordChanged() = 0;
};

class TDataSet {
public:
    explicit TDataSet(QString name);
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const QString& Name() const { return name_; }

    TField& FieldByName(const QString& name);
    // The steps name their fields with literals: found without building a text each time.
    TField& FieldByName(const char* name);
    TField* FindField(const QString& name);
    const std::vector<std::unique_ptr<TField>>& Fields() const { return fields_; }

    bool Active() const { return state_ != TDataSetState::dsInactive; }
    TDataSetState State() const { return state_; }
    void Open();
    void Close();
    void First();
    void Next();
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return rows_.empty(); }
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    int RecNo() const { return current_; } // 0-based, -1 when empty

    // A row left in insert or edit state by a failed filling or post is cancelled first: it
    // is never posted behind the operator's back.
    virtual void Insert();
    void Edit();
    void Post();
    void Cancel();
    // Whether a field was written since Insert or Edit.
    bool Modified() const;

    // The value of a field in the row being shown or edited.
    const TValue& FieldValue(int index) const;
    void SetFieldValue(int index, TValue v);
    // Whether empty text is kept as NULL (table components) or as the empty text.
    virtual bool EmptyTextIsNull() const { return false; }

    // Rows by position, for the grids.
    const TValue& ValueAt(int row, int field) const { return rows_[row][field]; }

    void AddListener(TDataSetListener* l);
    void RemoveListener(TDataSetListener* l);

protected:
    void DefineFields(TFieldDefs defs);
    void ClearFields();
    int AddField(const TFieldDef& def, QString name);
    virtual void DoOpen() = 0;
    virtual void DoClose() {}
    virtual void DoOnNewRecord() {}
    // Stores the posted row; returns its position among the rows.
    virtual int DoPost(TRow& row, const std::vector<char>& assigned, bool inserting) = 0;
    virtual void DoCancel(bool /*inserting*/) {}
    void SettlePending();
    void NotifyDataSetChanged();
    void NotifyRecordChanged();
    void SetCurrent(int pos);
    [[noreturn]] void Fail(const QString& message) const;

    std::vector<TRow> rows_;
    int current_ = -1;
    bool eof_ = true;
    TDataSetState state_ = TDataSetState::dsInactive;
    TRow buffer_;                // the row in insert or edit state
    std::vector<char> assigned_; // fields written since Insert or Edit

private:
    QString name_;
    std::vector<std::unique_ptr<TField>> fields_;
    QHash<QString, int> byName_;
    std::unordered_map<std::string_view, int> byLatin1_; // keys view the fields' own names
    std::vector<TDataSetListener*> listeners_;
    static const TValue kNull;
};
