#include "core/RecordGrid.h"

#include "core/RecordColumns.h"

namespace {

TestRecord HeaderRecord() {
    TestRecord header;
    for (const RecordColumnInfo& column : RecordColumns())
        header.texts[size_t(column.column)] = column.header;
    return header;
}

} // namespace

const QStringList& RecordGrid::Headers() {
    static const QStringList headers = [] {
        QStringList texts;
        for (const RecordColumnInfo& column : RecordColumns())
            texts.append(column.header);
        return texts;
    }();
    return headers;
}

RecordGrid::RecordGrid(QObject* parent)
    : QAbstractTableModel(parent), m_rows{HeaderRecord()}, m_textsOnly{false} {}

const TestRecord& RecordGrid::record(int row) const {
    TestRecord& record = m_rows.at(size_t(row));
    if (m_textsOnly[size_t(row)]) {
        record = TestRecord::FromTexts(record.texts);
        m_textsOnly[size_t(row)] = false;
    }
    return record;
}

void RecordGrid::setTexts(int row, const Row& texts) {
    TestRecord record;
    record.texts = texts;
    m_rows[size_t(row)] = std::move(record);
    m_textsOnly[size_t(row)] = true;
}

void RecordGrid::bindRecordCount(int32_t* count) {
    m_recordCount = count;
}

void RecordGrid::clearRecords() {
    setGridRowCount(2);
    setCount(0);
    clearRow(1);
}

void RecordGrid::prepareRecords(int count) {
    setGridRowCount(count + 1);
    setCount(count);
}

void RecordGrid::appendRecord(TestRecord record) {
    const int row = recordCount() + 1;
    setCount(row);
    setGridRowCount(row + 1);
    setRecord(row, std::move(record));
}

void RecordGrid::replaceRecords(std::vector<Row> rows, int count) {
    setCount(count);
    replaceDataRows(std::move(rows));
}

void RecordGrid::setGridRowCount(int count) {
    count = std::max(count, 1);
    const int old = gridRowCount();
    if (count > old) {
        beginInsertRows({}, old - 1, count - 2);
        m_rows.resize(size_t(count));
        m_textsOnly.resize(size_t(count), false);
        endInsertRows();
    } else if (count < old) {
        beginRemoveRows({}, count - 1, old - 2);
        m_rows.resize(size_t(count));
        m_textsOnly.resize(size_t(count));
        endRemoveRows();
    }
}

QString RecordGrid::cell(int column, int row) const {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= ColumnCount)
        return {};
    return m_rows[size_t(row)].texts[size_t(column)];
}

void RecordGrid::setCell(int column, int row, const QString& text) {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= ColumnCount)
        return;
    Row texts = m_rows[size_t(row)].texts;
    texts[size_t(column)] = text;
    setTexts(row, texts);
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, column, column);
    else
        emit dataChanged(index(row - 1, column), index(row - 1, column));
}

void RecordGrid::setRow(int row, const Row& cells) {
    if (row < 0 || row >= gridRowCount())
        return;
    setTexts(row, cells);
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    else
        emit dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1));
}

void RecordGrid::setRecord(int row, TestRecord record) {
    if (row < 0 || row >= gridRowCount())
        return;
    m_rows[size_t(row)] = std::move(record);
    m_textsOnly[size_t(row)] = false;
    if (row == 0)
        emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    else
        emit dataChanged(index(row - 1, 0), index(row - 1, ColumnCount - 1));
}

void RecordGrid::clearRow(int row) {
    setRecord(row, TestRecord{});
}

void RecordGrid::replaceDataRows(std::vector<Row> rows) {
    beginResetModel();
    TestRecord header = std::move(m_rows.front());
    m_rows.clear();
    m_rows.reserve(rows.size() + 1);
    m_rows.push_back(std::move(header));
    for (Row& texts : rows) {
        TestRecord record;
        record.texts = std::move(texts);
        m_rows.push_back(std::move(record));
    }
    m_textsOnly.assign(m_rows.size(), true);
    m_textsOnly.front() = false;
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
        return RecordColumnCaption(cell(section, 0));
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordGrid::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}
