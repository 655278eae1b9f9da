#include "ui/GridLimitMarks.h"

#include "core/RecordGrid.h"
#include "history/DeviceLimits.h"

GridLimitMarks::GridLimitMarks(RecordGrid* grid, QObject* parent) : QIdentityProxyModel(parent) {
    setSourceModel(grid);
    connect(&DeviceLimitStore::shared(), &DeviceLimitStore::changed, this, &GridLimitMarks::LimitsChanged);
}

QVariant GridLimitMarks::data(const QModelIndex& index, int role) const {
    const bool markRole =
        role == kOverLimitRole || role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole;
    if (!markRole || index.column() != kResistanceColumn || DeviceLimitStore::shared().empty())
        return QIdentityProxyModel::data(index, role);
    const QString device = index.siblingAtColumn(kDeviceColumn).data(Qt::DisplayRole).toString();
    const QString mark =
        DeviceLimitStore::shared().overLimitText(device, index.data(Qt::DisplayRole).toString());
    if (mark.isEmpty())
        return QIdentityProxyModel::data(index, role);
    return mark;
}

void GridLimitMarks::LimitsChanged() {
    const int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, kResistanceColumn), index(rows - 1, kResistanceColumn),
                         {kOverLimitRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}
