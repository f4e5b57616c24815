#include "DBGrid.h"

#include "ValueText.h"

#include <QHeaderView>

namespace {
constexpr int kRepaintMs = 250; // the grid follows the current row at most four times a second

// As the platform shows values: fifteen significant digits, a date without a time of day as the
// date alone and a time of day without a date as the time alone.
QString DisplayText(const TField& f, const TValue& v) {
    if (IsNull(v)) return {};
    if (auto p = std::get_if<double>(&v)) return QString::number(*p, 'g', 15);
    if (auto p = std::get_if<TDateTime>(&v)) {
        TDateParts d = DecodeDate(*p);
        TTimeParts t = DecodeTime(*p);
        QString date =
            QString("%1/%2/%3").arg(d.day, 2, 10, QChar('0')).arg(d.month, 2, 10, QChar('0')).arg(d.year);
        QString time = QString("%1:%2:%3")
                           .arg(t.hour, 2, 10, QChar('0'))
                           .arg(t.minute, 2, 10, QChar('0'))
                           .arg(t.second, 2, 10, QChar('0'));
        bool hasTime = TimeOfDayUnits(*p) != 0;
        bool hasDate = DatePart(*p) != 0;
        if (f.DataType() == TFieldType::ftDate) return date;
        if (f.DataType() == TFieldType::ftTime || (hasTime && !hasDate)) return time;
        return hasTime ? date + ' ' + time : date;
    }
    return ValueText(v);
}
} // namespace

TDataSetModel::TDataSetModel(TDataSet& ds, QObject* parent) : QAbstractTableModel(parent), ds_(ds) {
    ds_.AddListener(this);
    timer_.setSingleShot(true);
    timer_.setInterval(kRepaintMs);
    connect(&timer_, &QTimer::timeout, this, &TDataSetModel::Refresh);
    rows_ = ds_.Active() ? ds_.RecordCount() : 0;
    columns_ = ds_.Active() ? static_cast<int>(ds_.Fields().size()) : 0;
}

TDataSetModel::~TDataSetModel() {
    ds_.RemoveListener(this);
}

int TDataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TDataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QVariant TDataSetModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= ds_.RecordCount() ||
        index.column() >= static_cast<int>(ds_.Fields().size()))
        return {};
    return DisplayText(*ds_.Fields()[index.column()], ds_.ValueAt(index.row(), index.column()));
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) {
        if (section < static_cast<int>(ds_.Fields().size())) return ds_.Fields()[section]->FieldName();
        return {};
    }
    return section == ds_.RecNo() ? QStringLiteral("\u25B6") : QString();
}

void TDataSetModel::DataSetChanged() {
    reset_ = true;
    if (!timer_.isActive()) timer_.start();
}

void TDataSetModel::RecordChanged() {
    if (!timer_.isActive()) timer_.start();
}

void TDataSetModel::Refresh() {
    if (reset_) {
        reset_ = false;
        beginResetModel();
        rows_ = ds_.Active() ? ds_.RecordCount() : 0;
        columns_ = ds_.Active() ? static_cast<int>(ds_.Fields().size()) : 0;
        endResetModel();
    }
    emit headerDataChanged(Qt::Vertical, 0, rows_ > 0 ? rows_ - 1 : 0);
    if (ds_.RecNo() >= 0 && ds_.RecNo() < rows_) emit currentRowChanged(ds_.RecNo());
}

void TDataSetModel::Clear() {
    timer_.stop();
    reset_ = false;
    beginResetModel();
    rows_ = 0;
    columns_ = 0;
    endResetModel();
}

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // A title wider than its column shows its beginning.
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    verticalHeader()->setDefaultSectionSize(18);
    setShowGrid(true);
    setTabKeyNavigation(true);
}

TDBGrid::~TDBGrid() {
    // A screen reader that read the cells leaves one accessible interface per cell, each holding a
    // persistent index of the model. Destroying the grid deletes them one by one while the model
    // still tracks every index, and Qt hashes a table index as row * 16 + column, so the indexes
    // of a wide table crowd into one run of the hash that every removal walks: minutes for a few
    // thousand rows. Emptying the model first invalidates them all in one pass.
    if (auto* m = qobject_cast<TDataSetModel*>(model())) m->Clear();
}

void TDBGrid::SetDataSource(TDataSource& source) {
    source_ = &source;
    auto* model = new TDataSetModel(*source.DataSet, this);
    setModel(model);
    connect(model, &TDataSetModel::currentRowChanged, this, [this](int row) {
        setCurrentIndex(this->model()->index(row, std::max(0, currentIndex().column())));
    });
}
