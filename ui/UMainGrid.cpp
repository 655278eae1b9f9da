#include "ui/UMain.h"

#include "core/RecordGrid.h"
#include "core/UDataCenter.h"

#include <QHeaderView>
#include <QTableView>

void TFrmMain::InitGrid() {
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        m_grid->setCell(c, 0, RecordGrid::Headers().at(c));
    m_grid->setGridRowCount(2);
}

void TFrmMain::SetUpGridView() {
    SGData->verticalHeader()->hide();
    SGData->verticalHeader()->setDefaultSectionSize(24);
    SGData->horizontalHeader()->setDefaultSectionSize(95);
    SGData->setColumnWidth(0, 50);
    SGData->setColumnWidth(1, 120);
    SGData->setSelectionBehavior(QAbstractItemView::SelectRows);
    SGData->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TFrmMain::FillRecordRow(int, const uint8_t*) {}
void TFrmMain::AppendTestRow() {}
void TFrmMain::ClearGrid() {}
