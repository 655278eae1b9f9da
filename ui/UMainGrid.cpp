#include "ui/UMain.h"

#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "ui/GridViews.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTableView>

namespace {

constexpr int kRowHeight = 24;
constexpr int kDefaultColumnWidth = 95;
constexpr int kNumberColumnWidth = 50;
constexpr int kTimeColumnWidth = 120;

} // namespace

void TFrmMain::InitGrid() {
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        m_grid->setCell(c, 0, RecordGrid::Headers().at(c));
    m_grid->setGridRowCount(2);
}

void TFrmMain::SetUpGridView() {
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
}

void TFrmMain::FillRecordRow(int row, const uint8_t* reply) {
    m_grid->setRow(row, DecodeRecord(reply, row));
}

void TFrmMain::AppendTestRow() {
    ++giRecordCount;
    m_grid->setGridRowCount(giRecordCount + 1);
    const int row = giRecordCount;
    m_grid->setRow(row, RecordGrid::Row{RowNumberText(row), FormatTestTime(QDateTime::currentDateTime()),
                                        strDevice, strTestUser, strTestAdd, CurrentStepText(iCurrentStep),
                                        LoadTimeText(iTestTime), strTestResult});
}

void TFrmMain::ClearGrid() {
    m_grid->setGridRowCount(2);
    giRecordCount = 0;
    m_grid->clearRow(1);
}
