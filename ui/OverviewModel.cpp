#include "ui/OverviewModel.h"

#include "core/RecordColumns.h"
#include "ui/ValueModels.h"
#include "ui/VerdictLook.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString ShownTime(const QString& time) {
    return QString(time).replace(QLatin1Char('T'), QLatin1Char(' '));
}

QString Day(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

// A station's or a bay's row: its worst verdict, described on every cell.
QVariant RollUpData(const QString& name, Verdict worst, int column, int role) {
    const Assessment assessment{worst, {}};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return column == OverviewModel::Name            ? QVariant(name)
               : column == OverviewModel::VerdictColumn ? QVariant(VerdictText(worst))
                                                        : QVariant();
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return VerdictDescription(assessment);
    case Qt::BackgroundRole:
        return column == OverviewModel::VerdictColumn ? VerdictRole(assessment, role) : QVariant();
    case kSortRole: // by name or worst verdict; in the other columns they keep their order
        return column == OverviewModel::VerdictColumn ? QVariant(int(worst))
               : column == OverviewModel::Name        ? QVariant(name)
                                                      : QVariant();
    default:
        return {};
    }
}

} // namespace

OverviewModel::OverviewModel(QObject* parent) : QAbstractItemModel(parent) {}

QString OverviewModel::StationName(const OverviewStation& station) {
    return station.name.isEmpty() ? QCoreApplication::translate("OverviewModel", "（未登记）") : station.name;
}

void OverviewModel::setStations(std::vector<OverviewStation> stations, QHash<QString, DueAsset> due) {
    beginResetModel();
    m_stations = std::move(stations);
    m_due = std::move(due);
    m_firstBay.clear();
    m_bayOwner.clear();
    for (int s = 0; s < int(m_stations.size()); ++s) {
        m_firstBay.push_back(int(m_bayOwner.size()));
        m_bayOwner.insert(m_bayOwner.end(), m_stations[size_t(s)].bays.size(), s);
    }
    endResetModel();
}

OverviewModel::Place OverviewModel::place(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    const quintptr id = index.internalId();
    if (id == 0)
        return {index.row(), -1, -1};
    if (id <= m_stations.size())
        return {int(id - 1), index.row(), -1};
    const int bay = int(id - 1 - m_stations.size());
    const int station = m_bayOwner[size_t(bay)];
    return {station, bay - m_firstBay[size_t(station)], index.row()};
}

const OverviewDevice* OverviewModel::device(const Place& place) const {
    if (place.device < 0)
        return nullptr;
    return &m_stations[size_t(place.station)].bays[size_t(place.bay)].devices[size_t(place.device)];
}

const DueAsset* OverviewModel::due(const OverviewDevice& device) const {
    const auto found = m_due.constFind(device.asset.key());
    return found == m_due.constEnd() ? nullptr : &*found;
}

QModelIndex OverviewModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount || row >= rowCount(parent))
        return {};
    const Place above = place(parent);
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    if (above.bay < 0)
        return createIndex(row, column, quintptr(1 + above.station));
    return createIndex(
        row, column, quintptr(1 + m_stations.size() + size_t(m_firstBay[size_t(above.station)] + above.bay)));
}

QModelIndex OverviewModel::parent(const QModelIndex& child) const {
    const Place at = place(child);
    if (at.bay < 0)
        return {};
    if (at.device < 0)
        return createIndex(at.station, 0, quintptr(0));
    return createIndex(at.bay, 0, quintptr(1 + at.station));
}

int OverviewModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return int(m_stations.size());
    if (parent.column() != 0)
        return 0;
    const Place at = place(parent);
    if (at.bay < 0)
        return int(m_stations[size_t(at.station)].bays.size());
    if (at.device < 0)
        return int(m_stations[size_t(at.station)].bays[size_t(at.bay)].devices.size());
    return 0;
}

int OverviewModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

QVariant OverviewModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Place at = place(index);
    const OverviewStation& station = m_stations[size_t(at.station)];
    const int column = index.column();
    if (at.bay < 0)
        return RollUpData(StationName(station), station.worst, column, role);
    const OverviewBay& bay = station.bays[size_t(at.bay)];
    if (at.device < 0) {
        if (column == Resistance && (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)) {
            std::vector<const OverviewDevice*> devices;
            for (const OverviewDevice& device : bay.devices)
                devices.push_back(&device);
            return PhasesText(devices);
        }
        return RollUpData(bay.name.isEmpty() ? QStringLiteral("—") : bay.name, bay.worst, column, role);
    }
    const OverviewDevice& device = bay.devices[size_t(at.device)];
    const DueAsset* next = due(device);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        switch (column) {
        case Name:
            return device.asset.device;
        case Phase:
            return device.asset.phase;
        case Time:
            return ShownTime(device.lastTime);
        case NextTest:
            return !next                 ? QString()
                   : next->due.isValid() ? Day(next->due)
                                         : QCoreApplication::translate("OverviewModel", "未试验");
        case Step:
            return device.stepText;
        case Resistance:
            return device.resistanceText;
        case Change:
            return OverviewChangeText(device.changePercent);
        case VerdictColumn:
            return VerdictText(device.assessment.verdict);
        default:
            return device.assessment.reasonText();
        }
    }
    switch (role) {
    case kDeviceRole:
        return device.asset.device;
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return VerdictDescription(device.assessment);
    case Qt::BackgroundRole:
        return column == VerdictColumn ? VerdictRole(device.assessment, role) : QVariant();
    case kSortRole:
        switch (column) {
        case NextTest: // never tested: due first
            return !next ? QVariant() : next->due.isValid() ? QVariant(next->due) : QVariant(QDate(1, 1, 1));
        case Step:
        case Resistance:
            return LeadingNumber(column == Step ? device.stepText : device.resistanceText);
        case Change:
            return device.changePercent ? QVariant(*device.changePercent) : QVariant();
        case VerdictColumn:
            return int(device.assessment.verdict);
        default:
            return data(index, Qt::DisplayRole);
        }
    default:
        return {};
    }
}

QVariant OverviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList headers{QCoreApplication::translate("OverviewModel", "站名 / 间隔 / ") +
                                         RecordColumnOf(RecordColumn::Device).caption(),
                                     QCoreApplication::translate("OverviewModel", "相别"),
                                     QCoreApplication::translate("OverviewModel", "最近试验"),
                                     QCoreApplication::translate("OverviewModel", "下次试验"),
                                     RecordColumnOf(RecordColumn::Step).caption(),
                                     RecordColumnOf(RecordColumn::Resistance).caption(),
                                     QCoreApplication::translate("OverviewModel", "比上次"),
                                     QCoreApplication::translate("OverviewModel", "结论"),
                                     QCoreApplication::translate("OverviewModel", "原因")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers.size())
        return headers.at(section);
    return QAbstractItemModel::headerData(section, orientation, role);
}

QString PhasesText(const std::vector<const OverviewDevice*>& devices) {
    std::vector<const OverviewDevice*> phases;
    for (const OverviewDevice* device : devices)
        if (!device->asset.phase.isEmpty() && !device->resistanceText.isEmpty())
            phases.push_back(device);
    const bool oneStep = std::all_of(phases.begin(), phases.end(), [&](const OverviewDevice* device) {
        return device->stepText == phases.front()->stepText;
    });
    QStringList texts;
    for (const OverviewDevice* device : phases)
        texts << device->asset.phase + QLatin1Char(' ') + device->resistanceText +
                     (oneStep ? QString()
                              : QCoreApplication::translate("OverviewModel", "（%1）").arg(device->stepText));
    return texts.join(QStringLiteral(" / "));
}

OverviewFilter::OverviewFilter(OverviewModel* model, QObject* parent)
    : QSortFilterProxyModel(parent), m_model(model) {
    setSourceModel(model);
    setRecursiveFilteringEnabled(true);
    setSortRole(kSortRole);
    setSortLocaleAware(true);
}

void OverviewFilter::setFilters(const Filters& filters) {
    if (filters == m_filters)
        return;
    beginResetModel();
    m_filters = filters;
    m_filters.search = filters.search.trimmed();
    endResetModel();
}

bool OverviewFilter::placeShown(const OverviewDevice& device, const QString& station) const {
    if (!m_filters.station.isEmpty() && m_filters.station != station)
        return false;
    if (m_filters.due != DueFilter::All) {
        const DueAsset* due = m_model->due(device);
        if (!due || !DueMatches(*due, m_filters.due, m_filters.today))
            return false;
    }
    return m_filters.search.isEmpty() || device.asset.device.contains(m_filters.search, Qt::CaseInsensitive);
}

std::vector<const OverviewDevice*> OverviewFilter::shownDevices(int station, int bay) const {
    const OverviewStation& place = m_model->stations()[size_t(station)];
    const QString stationName = OverviewModel::StationName(place);
    const std::vector<OverviewDevice>& devices = place.bays[size_t(bay)].devices;
    const auto matches = [this](const OverviewDevice& device) {
        return !m_filters.verdict || device.assessment.verdict == *m_filters.verdict;
    };
    // A phase that matches keeps the bay's other phases in view beside it.
    const bool phaseMatches = std::any_of(devices.begin(), devices.end(), [&](const OverviewDevice& d) {
        return !d.asset.phase.isEmpty() && matches(d) && placeShown(d, stationName);
    });
    std::vector<const OverviewDevice*> shown;
    for (const OverviewDevice& device : devices)
        if (placeShown(device, stationName) &&
            (matches(device) || (phaseMatches && !device.asset.phase.isEmpty())))
            shown.push_back(&device);
    return shown;
}

bool OverviewFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    // Only devices are judged; a bay or a station shows when one of its devices does.
    const OverviewModel::Place bay = m_model->place(sourceParent);
    if (bay.bay < 0)
        return false;
    const OverviewDevice* device = m_model->device({bay.station, bay.bay, sourceRow});
    const std::vector<const OverviewDevice*> shown = shownDevices(bay.station, bay.bay);
    return std::find(shown.begin(), shown.end(), device) != shown.end();
}

QVariant OverviewFilter::data(const QModelIndex& index, int role) const {
    // A bay's row shows the phases in view.
    if (index.column() == OverviewModel::Resistance &&
        (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)) {
        const OverviewModel::Place at = m_model->place(mapToSource(index));
        if (at.bay >= 0 && at.device < 0)
            return PhasesText(shownDevices(at.station, at.bay));
    }
    return QSortFilterProxyModel::data(index, role);
}
