#pragma once
// The record grid as its view sees it: the records themselves, plus each record's verdict against
// the rules of its device (the register's limit and baselines, its earlier tests, the sister
// phases of its bay; a limit of the device-limit store where the register has none). The
// resistance cell carries the verdict and its reason ("不合格：超过限值 100 uΩ") as tool tip and
// accessible description, and the look the cell delegate draws: red above the limit, amber for
// "注意". A record no rule applies to reads exactly as the record grid gives it.
#include "archive/Assessment.h"

#include <QHash>
#include <QIdentityProxyModel>
#include <memory>
#include <optional>

class ArchiveAssessor;
class RecordGrid;

constexpr int kOverLimitRole = Qt::UserRole + 1; // the description when the verdict is "不合格"
constexpr int kVerdictRole = Qt::UserRole + 2;   // the Verdict as an int when a rule applied
constexpr int kResistanceColumn = 7;
constexpr int kDeviceColumn = 2;

class GridLimitMarks : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit GridLimitMarks(RecordGrid* grid, QObject* parent = nullptr);
    ~GridLimitMarks() override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void LimitsChanged();
    const std::optional<Assessment>& AssessmentOf(const QModelIndex& index) const;

    RecordGrid* m_grid;
    mutable QHash<int, std::optional<Assessment>> m_assessments; // by grid row
    mutable std::unique_ptr<ArchiveAssessor> m_assessor;
};
