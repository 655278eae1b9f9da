#pragma once
// Tables of values for the windows: a model holds its rows as values of one type and formats them
// in data(); the windows filter, search and sort them through a proxy, never refilling a table.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <functional>
#include <vector>

// The role a proxy sorts by: a typed value (a number, a date) where the text would sort wrongly.
inline constexpr int kSortRole = Qt::UserRole + 100;

// The number a text begins with ("50.0 uΩ", "100 A", "+12.5%"), to sort by; invalid when none.
inline QVariant LeadingNumber(const QString& text) {
    qsizetype end = 0;
    while (end < text.size() && (text.at(end).isDigit() || QStringLiteral("+-.").contains(text.at(end))))
        ++end;
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    return ok ? QVariant(value) : QVariant();
}

// A table of values of one type: the column headers and the text of a cell; optionally any other
// role of a cell (colour, description, sort key) and cells edited in place.
template <class T> class ValueTableModel : public QAbstractTableModel {
public:
    using CellText = std::function<QString(const T& value, int column)>;
    // Any role but the text; an invalid QVariant where the cell has none.
    using CellRole = std::function<QVariant(const T& value, int column, int role)>;
    // Takes a typed text into a cell (column > 0 only when the model is editable).
    using CellEdit = std::function<void(T& value, int column, const QString& text)>;

    ValueTableModel(QStringList headers, CellText cell, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_headers(std::move(headers)), m_cell(std::move(cell)) {}

    void setRoles(CellRole roles) { m_roles = std::move(roles); }
    // Every column but the first can be edited.
    void setEdit(CellEdit edit) { m_edit = std::move(edit); }

    void setValues(std::vector<T> values) {
        beginResetModel();
        m_values = std::move(values);
        endResetModel();
    }
    // New values under new headers (a table whose columns depend on what it shows).
    void setValues(std::vector<T> values, QStringList headers) {
        beginResetModel();
        m_values = std::move(values);
        m_headers = std::move(headers);
        endResetModel();
    }
    const std::vector<T>& values() const { return m_values; }
    const T& value(int row) const { return m_values[size_t(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_values.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return {};
        const T& row = value(index.row());
        if (role != Qt::DisplayRole && role != Qt::EditRole && m_roles)
            if (QVariant special = m_roles(row, index.column(), role); special.isValid())
                return special;
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::AccessibleTextRole ||
            role == Qt::ToolTipRole || role == kSortRole)
            return m_cell(row, index.column());
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (m_edit && index.isValid() && index.column() > 0)
            flags |= Qt::ItemIsEditable;
        return flags;
    }
    bool setData(const QModelIndex& index, const QVariant& text, int role = Qt::EditRole) override {
        if (!m_edit || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) ||
            !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
            return false;
        m_edit(m_values[size_t(index.row())], index.column(), text.toString());
        emit dataChanged(index, index);
        return true;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < m_headers.size())
            return m_headers.at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    QStringList m_headers;
    CellText m_cell;
    CellRole m_roles;
    CellEdit m_edit;
    std::vector<T> m_values;
};

// A filter by any test on the source row, for filters that are not a text.
class RowFilter : public QSortFilterProxyModel {
public:
    using Test = std::function<bool(int sourceRow)>;
    explicit RowFilter(QObject* parent = nullptr) : QSortFilterProxyModel(parent) { setSortRole(kSortRole); }
    void setTest(Test test) {
        m_test = std::move(test);
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& parent) const override {
        return (!m_test || m_test(sourceRow)) && QSortFilterProxyModel::filterAcceptsRow(sourceRow, parent);
    }

private:
    Test m_test;
};
