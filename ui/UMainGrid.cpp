#include "ui/UMain.h"

#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "history/DeviceLimits.h"
#include "link/Protocol.h"
#include "ui/GridLimitMarks.h"
#include "ui/GridViews.h"

#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QTableView>

namespace {

constexpr int kRowHeight = 24;
constexpr int kDefaultColumnWidth = 95;
constexpr int kNumberColumnWidth = 50;
constexpr int kTimeColumnWidth = 120;
const QKeySequence kHistoryKey(Qt::CTRL | Qt::Key_H);

} // namespace

void TFrmMain::InitGrid() {
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        m_grid->setCell(c, 0, RecordGrid::Headers().at(c));
    m_grid->setGridRowCount(2);
}

void TFrmMain::SetUpGridView() {
    // The view shows the records with the marks of the device limits, read with the settings.
    DeviceLimitStore::shared().load();
    SGData->setModel(new GridLimitMarks(m_grid, SGData));
    auto* header = new RecordGridHeader(SGData);
    SGData->setHorizontalHeader(header);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setHighlightSections(false);
    header->setSectionsClickable(false);
    header->setFixedHeight(kRowHeight);
    header->setDefaultSectionSize(kDefaultColumnWidth);
    header->setMinimumSectionSize(1);
    SGData->verticalHeader()->hide();
    SGData->verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    SGData->verticalHeader()->setMinimumSectionSize(1);
    SGData->verticalHeader()->setDefaultSectionSize(kRowHeight);
    SGData->setColumnWidth(0, kNumberColumnWidth);
    SGData->setColumnWidth(1, kTimeColumnWidth);
    SGData->setItemDelegate(new RecordGridDelegate(SGData));
    SGData->setShowGrid(true);
    SGData->setWordWrap(false);
    SGData->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGData->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGData->setTabKeyNavigation(false);
    new GridRowSizer(SGData);
    auto* history = new QAction(QStringLiteral("查看设备历史…"), SGData);
    history->setObjectName(QStringLiteral("ActGridHistory"));
    history->setShortcut(kHistoryKey);
    history->setShortcutContext(Qt::WindowShortcut);
    connect(history, &QAction::triggered, this, &TFrmMain::ShowCurrentDeviceHistory);
    SGData->addAction(history);
    SGData->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TFrmMain::FillRecordRow(int row, const uint8_t* reply) {
    m_grid->setRow(row, DecodeRecord(reply, row));
}

void TFrmMain::AppendTestRow() {
    AppendTestRow(iCurrentStep, iTestTime);
}

void TFrmMain::AppendTestRow(int stepCode, int loadSeconds) {
    ++giRecordCount;
    m_grid->setGridRowCount(giRecordCount + 1);
    const int row = giRecordCount;
    const QDateTime now = QDateTime::currentDateTime();
    m_grid->setRow(row, RecordGrid::Row{RowNumberText(row), FormatTestTime(now), strDevice, strTestUser,
                                        strTestAdd, CurrentStepText(unsigned(stepCode)),
                                        LoadTimeText(loadSeconds), strTestResult});
    ReportBackupFailure(BackUpTestRecord(m_grid->row(row), now));
}

void TFrmMain::ClearGrid() {
    m_grid->setGridRowCount(2);
    giRecordCount = 0;
    m_grid->clearRow(1);
}
