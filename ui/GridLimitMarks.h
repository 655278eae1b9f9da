#pragma once
// The record grid as its view sees it: the records themselves, plus, where a record's device has
// a resistance limit and the record lies above it, the text "超过限值 N uΩ" as the resistance
// cell's tool tip and accessible description, and the mark the cell delegate draws in red.
// Without limits every cell reads exactly as the record grid gives it.
#include <QIdentityProxyModel>

class RecordGrid;

constexpr int kOverLimitRole = Qt::UserRole + 1;
constexpr int kResistanceColumn = 7;
constexpr int kDeviceColumn = 2;

class GridLimitMarks : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit GridLimitMarks(RecordGrid* grid, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void LimitsChanged();
};
