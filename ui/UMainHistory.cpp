// The main window's way in to a device's history: from a row of the record grid or the service
// entries.
#include "ui/UMain.h"

#include "archive/ProgramArchive.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "ui/ArchiveImportRun.h"
#include "ui/UDlgHistory.h"

#include <QTableView>

void TFrmMain::ShowDeviceHistory(const QString& device, QWidget* over) {
    QWidget* parent = over ? over : this;
    // The import that comes first goes with that window.
    const auto show = [this, device, parent] {
        auto* dialog = new TFrmHistory(*m_grid, giRecordCount, device, parent);
        dialog->open();
    };
    // New and changed files of the data folder come in first, on a worker thread.
    if (ProgramArchive::shared().archive().writable())
        BringInDataFolder(parent, [show](const ImportSummary&) { show(); });
    else
        show();
}

void TFrmMain::ShowCurrentDeviceHistory() {
    const QModelIndex current = SGData->currentIndex();
    const int row = current.isValid() ? current.row() + 1 : 0;
    const bool record = row >= 1 && row <= giRecordCount;
    ShowDeviceHistory(record ? TrimText(m_grid->cell(2, row)) : QString());
}
