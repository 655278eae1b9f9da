#include "ui/GridLimitMarks.h"

#include "archive/ArchiveQueries.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/RecordGrid.h"
#include "core/RecordValues.h"
#include "ui/VerdictLook.h"

GridLimitMarks::GridLimitMarks(RecordGrid* grid, QObject* parent)
    : QIdentityProxyModel(parent), m_grid(grid) {
    setSourceModel(grid);
    connect(&ProgramArchive::shared(), &ProgramArchive::recordsStored, this, &GridLimitMarks::LimitsChanged);
    connect(&ProgramArchive::shared(), &ProgramArchive::registerChanged, this,
            &GridLimitMarks::LimitsChanged);
    const auto forget = [this] { m_assessments.clear(); };
    connect(grid, &QAbstractItemModel::modelReset, this, forget);
    connect(grid, &QAbstractItemModel::rowsInserted, this, forget);
    connect(grid, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(grid, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                for (int row = first.row(); row <= last.row(); ++row)
                    m_assessments.remove(row);
            });
}

GridLimitMarks::~GridLimitMarks() = default;

const std::optional<Assessment>& GridLimitMarks::AssessmentOf(const QModelIndex& index) const {
    const int row = index.row();
    if (auto found = m_assessments.constFind(row); found != m_assessments.constEnd())
        return *found;
    const TestRecord& record = m_grid->record(row + 1);
    std::optional<Assessment> result;
    if (record.microOhms) {
        // The register holds the rules: without a readable archive there is nothing to judge by.
        RecordArchive* archive = ProgramArchive::shared().existingArchive();
        if (archive && archive->readable()) {
            if (!m_assessor)
                m_assessor = std::make_unique<ArchiveAssessor>(*archive);
            result = m_assessor->assess(record);
        }
        if (result && result->verdict == Verdict::NoCriteria)
            result.reset();
    }
    return *m_assessments.insert(row, result);
}

QVariant GridLimitMarks::data(const QModelIndex& index, int role) const {
    const bool markRole = role == kOverLimitRole || role == kVerdictRole || role == Qt::ToolTipRole ||
                          role == Qt::AccessibleDescriptionRole;
    if (!markRole || index.column() != kResistanceColumn || index.row() + 1 >= m_grid->gridRowCount())
        return QIdentityProxyModel::data(index, role);
    const std::optional<Assessment>& assessment = AssessmentOf(index);
    if (!assessment)
        return QIdentityProxyModel::data(index, role);
    if (role == kVerdictRole)
        return int(assessment->verdict);
    if (role == kOverLimitRole)
        return assessment->verdict == Verdict::Fail ? VerdictDescription(*assessment) : QVariant();
    return VerdictDescription(*assessment);
}

void GridLimitMarks::LimitsChanged() {
    m_assessments.clear();
    m_assessor.reset();
    const int rows = rowCount();
    if (rows > 0)
        emit dataChanged(index(0, kResistanceColumn), index(rows - 1, kResistanceColumn),
                         {kOverLimitRole, kVerdictRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}
