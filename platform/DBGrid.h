#pragma once
// A read-only grid over a dataset: every field as a column titled with its name, following the
// dataset's current row. Moving to the current row is coalesced to a bounded rate, so a run that
// walks thousands of rows does not repaint for each.

#include "DataSet.h"

#include <QAbstractTableModel>
#include <QTableView>
#include <QTimer>

class TDataSource {
public:
    explicit TDataSource(QString name) : name_(std::move(name)) {}
    const QString& Name() const { return name_; }
    TDataSet* DataSet = nullptr;
    bool AutoEdit = false;

private:
    QString name_;
};

class TDataSetModel : public QAbstractTableModel, public TDataSetListener {
    Q_OBJECT
public:
    TDataSetModel(TDataSet& ds, QObject* parent);
    ~TDataSetModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void DataSetChanged() override;
    void RecordChanged() override;

    // Shows no rows until the dataset changes again; every index handed out, persistent ones
    // included, becomes invalid at once.
    void Clear();

signals:
    void currentRowChanged(int row);

private:
    void Refresh();

    TDataSet& ds_;
    QTimer timer_;
    int rows_ = 0;
    int columns_ = 0;
    bool reset_ = false;
};

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;
    void SetDataSource(TDataSource& source);
    TDataSource* DataSource() const { return source_; }

private:
    TDataSource* source_ = nullptr;
};
