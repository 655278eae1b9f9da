#include "core/RecordGrid.h"

const QStringList& RecordGrid::Headers() {
    static const QStringList headers{QStringLiteral("序号"),     QStringLiteral("时间"),
                                     QStringLiteral("设备编号"), QStringLiteral("测试人员"),
                                     QStringLiteral("测试地点"), QStringLiteral("测试档位"),
                                     QStringLiteral("载流时间"), QStringLiteral("测试电阻")};
    return headers;
}

RecordGrid::RecordGrid(QObject* parent) : QAbstractTableModel(parent), m_rows(1) {}

void RecordGrid::setGridRowCount(int count) {
    count = std::max(count, 1);
    const int old = gridRowCount();
    if (count > old) {
        beginInsertRows({}, old - 1, count - 2);
        m_rows.resize(size_t(count));
        endInsertRows();
    } else if (count < old) {
        beginRemoveRows({}, count - 1, old - 2);
        m_rows.resize(size_t(count));
        endRemoveRows();
    }
}

QString RecordGrid::cell(int column, int row) const {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= ColumnCount)
        return {};
    return m_rows[size_t(row)][size_t(column)];
}

void RecordGrid::setCell(int column, int row, const QString& text) {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= ColumnCount)
        return;
    m_rows[size_t(row)][size_t(column)] = text;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
    else
        emit dataChanged(index(row - 1, column), index(row - 1, column));
}

void RecordGrid::setRow(int row, const Row& cells) {
    if (row < 0 || row >= gridRowCount())
        return;
    m_rows[size_t(row)] = cells;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    else
        emit dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1));
}

void RecordGrid::clearRow(int row) {
    setRow(row, Row{});
}

void RecordGrid::replaceDataRows(std::vector<Row> rows) {
    beginResetModel();
    Row header = m_rows.front();
    m_rows = std::move(rows);
    m_rows.insert(m_rows.begin(), std::move(header));
    endResetModel();
}

int RecordGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : gridRowCount() - 1;
}

int RecordGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordGrid::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cell(index.column(), index.row() + 1);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

QVariant RecordGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole))
        return cell(section, 0);
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordGrid::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
