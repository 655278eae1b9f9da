#include "ui/UMain.h"

#include "archive/ProgramArchive.h"
#include "core/ProfileFile.h"
#include "core/RecordColumns.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/AutoBackup.h"
#include "history/DeviceLimits.h"
#include "link/Protocol.h"
#include "ui/GridLimitMarks.h"
#include "ui/GridViews.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QTableView>

namespace {

constexpr int kRowHeight = 24;
constexpr int kDefaultColumnWidth = 95;
const QKeySequence kHistoryKey(Qt::CTRL | Qt::Key_H);

} // namespace

void TFrmMain::InitGrid() {
    m_grid->clearRecords();
}

void TFrmMain::SetUpGridView() {
    // The view shows the records with their verdicts; the register holds the limits.
    ProgramArchive::shared().moveSettingsLimits(SettingsFileLimits(ReadSettingsFile()));
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
    for (const RecordColumnInfo& column : RecordColumns())
        SGData->setColumnWidth(ColumnIndex(column.column), column.gridWidth);
    SGData->setItemDelegate(new RecordGridDelegate(SGData));
    SGData->setShowGrid(true);
    SGData->setWordWrap(false);
    SGData->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGData->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGData->setTabKeyNavigation(false);
    new GridRowSizer(SGData);
    auto* history = new QAction(QCoreApplication::translate("UMainGrid", "查看设备历史…"), SGData);
    history->setObjectName(QStringLiteral("ActGridHistory"));
    history->setShortcut(kHistoryKey);
    history->setShortcutContext(Qt::WindowShortcut);
    connect(history, &QAction::triggered, this, &TFrmMain::ShowCurrentDeviceHistory);
    SGData->addAction(history);
    SGData->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TFrmMain::FillRecordRow(int row, const uint8_t* reply) {
    m_grid->setRecord(row, DecodeTestRecord(reply, row));
}

void TFrmMain::AppendTestRow(const TestRecord::LiveTest& reading) {
    TestRecord::LiveTest test = reading;
    test.when = QDateTime::currentDateTime();
    test.device = strDevice;
    test.tester = strTestUser;
    test.location = strTestAdd;
    const bool measured = !strTestResult.isEmpty() && reading.stepCode != 0;
    test.stepCode = measured ? reading.stepCode : iCurrentStep;
    test.loadSeconds = measured ? reading.loadSeconds : iTestTime;
    test.resistanceText = strTestResult;
    m_grid->appendRecord(TestRecord::FromLiveTest(m_grid->recordCount() + 1, test));
    ProgramArchive::shared().storeLive(m_grid->record(m_grid->recordCount()));
    ReportBackupFailure(BackUpTestRecord(m_grid->row(m_grid->recordCount()), test.when));
}

void TFrmMain::ClearGrid() {
    m_grid->clearRecords();
}
