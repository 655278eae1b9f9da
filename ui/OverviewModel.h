#pragma once
// The station overview as a tree model of values: station → bay → device, each device with its
// last test, its change, its verdict and its next test; the worst verdict on a bay's and a
// station's row. OverviewFilter shows it filtered by verdict, station, due date and device number,
// sorted by any column, without rebuilding it.
#include "archive/ArchiveQueries.h"
#include "archive/TestJobs.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QSortFilterProxyModel>

class OverviewModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { Name, Phase, Time, NextTest, Step, Resistance, Change, VerdictColumn, Reason, ColumnCount };
    static constexpr int kDeviceRole = Qt::UserRole; // a device row's device number

    // What a row stands for: a station, a bay of it or a device of the bay (-1 where not).
    struct Place {
        int station = -1;
        int bay = -1;
        int device = -1;
    };

    explicit OverviewModel(QObject* parent = nullptr);

    // The stations and every registered asset's due date (by device key).
    void setStations(std::vector<OverviewStation> stations, QHash<QString, DueAsset> due);
    const std::vector<OverviewStation>& stations() const { return m_stations; }
    static QString StationName(const OverviewStation& station); // "（未登记）" for ""
    Place place(const QModelIndex& index) const;
    const OverviewDevice* device(const Place& place) const;
    const DueAsset* due(const OverviewDevice& device) const; // none for a device not registered

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<OverviewStation> m_stations;
    QHash<QString, DueAsset> m_due;
    std::vector<int> m_firstBay; // by station: the number of its first bay among all bays
    std::vector<int> m_bayOwner; // by bay number: its station
};

// The bay's phases side by side, each with its current step when they were not all tested at the
// same one ("A 31.0 uΩ（200 A） / B 80.0 uΩ（100 A）").
QString PhasesText(const std::vector<const OverviewDevice*>& devices);

class OverviewFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit OverviewFilter(OverviewModel* model, QObject* parent = nullptr);

    struct Filters {
        std::optional<Verdict> verdict; // none: every verdict
        QString station;                // "": every station
        QString search;                 // part of a device number, any case
        DueFilter due = DueFilter::All;
        QDate today = QDate::currentDate(); // the day the due filter counts from
        bool operator==(const Filters&) const = default;
    };
    // Shows the rows the filters let through, all at once: a view takes it as a new model rather
    // than row by row, which for thousands of rows it could not do in time.
    void setFilters(const Filters& filters);
    const Filters& filters() const { return m_filters; }

    // The bay's devices that the filters show, in the model's order: a phase that matches the
    // verdict keeps its bay's other phases beside it.
    std::vector<const OverviewDevice*> shownDevices(int station, int bay) const;

    QVariant data(const QModelIndex& index, int role) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // Whether the station, search and due filters let the device through.
    bool placeShown(const OverviewDevice& device, const QString& station) const;

    OverviewModel* m_model;
    Filters m_filters;
};
