#pragma once
// Models of values for the jobs' windows: the jobs, a job's rows, the instruments and the audit
// trail. Each holds its rows as values and formats them in data(); the windows filter and sort
// them through a QSortFilterProxyModel.
#include "archive/TestJobs.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <functional>
#include <vector>

// A read-only table of values of one type: the column headers and the text of a cell.
template <class T> class ValueTableModel : public QAbstractTableModel {
public:
    using CellText = std::function<QString(const T& value, int column)>;
    ValueTableModel(QStringList headers, CellText cell, QObject* parent = nullptr)
        : QAbstractTableModel(parent), m_headers(std::move(headers)), m_cell(std::move(cell)) {}

    void setValues(std::vector<T> values) {
        beginResetModel();
        m_values = std::move(values);
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
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
            return m_cell(value(index.row()), index.column());
        return {};
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
    std::vector<T> m_values;
};

// A filter by any test on the source row, for filters that are not a text.
class RowFilter : public QSortFilterProxyModel {
public:
    using Test = std::function<bool(int sourceRow)>;
    using QSortFilterProxyModel::QSortFilterProxyModel;
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

using JobListModel = ValueTableModel<TestJob>;
using JobRowsModel = ValueTableModel<JobRow>;
using InstrumentModel = ValueTableModel<Instrument>;
using AuditModel = ValueTableModel<AuditEntry>;
using DueModel = ValueTableModel<DueAsset>;

JobListModel* MakeJobListModel(QObject* parent);
JobRowsModel* MakeJobRowsModel(QObject* parent);
InstrumentModel* MakeInstrumentModel(QObject* parent);
AuditModel* MakeAuditModel(QObject* parent);
DueModel* MakeDueModel(QObject* parent);
