#pragma once
// The record store: the main window's grid of eight text columns. Grid row 0 holds the column
// headers, rows 1.. hold one record each; giRecordCount (kept by the callers) says how many of
// them are valid. As a Qt model it shows grid rows 1.. as model rows 0.. and row 0 as the
// horizontal header, so a table view can show 100,000 rows without copying them.
#include <QAbstractTableModel>
#include <QStringList>
#include <array>
#include <vector>

class RecordGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 8;
    using Row = std::array<QString, ColumnCount>;
    static const QStringList& Headers(); // "序号" … "测试电阻"

    explicit RecordGrid(QObject* parent = nullptr);

    // Grid view (row 0 is the header row), as the record operations think of it.
    int gridRowCount() const { return int(m_rows.size()); }
    // At least 1 (the header row); new rows are empty, rows beyond are dropped.
    void setGridRowCount(int count);
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString& text);
    void setRow(int row, const Row& cells);
    const Row& row(int row) const { return m_rows.at(size_t(row)); }
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
    std::vector<Row> m_rows;
};
