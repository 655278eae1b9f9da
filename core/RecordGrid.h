#pragma once
// The record store: the main window's grid of test records. Grid row 0 holds the column headers,
// rows 1.. hold one record each; the record count says how many of them are valid. The grid is the
// one place that changes the record count; the main window binds it to giRecordCount. As a Qt model
// it shows grid rows 1.. as model rows 0.. and row 0 as the horizontal header, so a table view can
// show 100,000 rows without copying them.
#include "core/TestRecord.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <vector>

class RecordGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = TestRecord::ColumnCount;
    using Row = TestRecord::Texts;
    static const QStringList& Headers(); // the eight column headers, from core/RecordColumns

    // The header row is filled from the start.
    explicit RecordGrid(QObject* parent = nullptr);

    // From now on the record count is kept in *count (the main window's giRecordCount).
    void bindRecordCount(int32_t* count);
    int recordCount() const { return *m_recordCount; }

    // The record operations; each sets the record count.
    // No records: the header row and one blank row.
    void clearRecords();
    // Rows 1..count are about to be filled one by one (an upload); rows beyond are dropped.
    void prepareRecords(int count);
    // Appends a record after the valid ones; its row is recordCount() afterwards.
    void appendRecord(TestRecord record);
    // Replaces every data row at once (one model reset) and sets the count; the header row stays.
    void replaceRecords(std::vector<Row> rows, int count);

    // Grid view (row 0 is the header row), as the record operations think of it.
    int gridRowCount() const { return int(m_rows.size()); }
    // At least 1 (the header row); new rows are empty, rows beyond are dropped.
    void setGridRowCount(int count);
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void setRow(int row, const Row& cells);
    void setRecord(int row, TestRecord record);
    const Row& row(int row) const { return m_rows.at(size_t(row)).texts; }
    // The record with its values; those of a row given as texts are read from them on first use.
    const TestRecord& record(int row) const;
    void clearRow(int row);
    // Replaces every data row at once (one model reset); the header row stays.
    void replaceDataRows(std::vector<Row> rows);

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void setCount(int count) { *m_recordCount = count; }
    void setTexts(int row, const Row& texts);

    // Rows given as texts keep only them until their values are asked for: opening a file of
    // 100,000 records does not read 100,000 times and numbers it may never need.
    mutable std::vector<TestRecord> m_rows;
    mutable std::vector<bool> m_textsOnly;
    int32_t m_ownCount = 0;
    int32_t* m_recordCount = &m_ownCount;
};
