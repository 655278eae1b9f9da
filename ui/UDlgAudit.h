#pragma once
// The window "修改记录": the audit trail of the jobs, the register, the instruments and the rules,
// newest first, with a filter over every column; exported to .xlsx or .csv. Never editable.
#include "ui/JobModels.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

class TFrmAudit : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAudit(QWidget* parent = nullptr);
    AuditModel* Entries() const { return m_entries; }
    QSortFilterProxyModel* Shown() const { return m_shown; }
    void BtnExportClick();
    // Exports the entries shown to the named file; false (the user told why) when it fails.
    bool ExportTo(const QString& fileName);

    QLineEdit* EdtFilter = nullptr;
    QTableView* TblAudit = nullptr;
    QPushButton* BtnExport = nullptr;

private:
    AuditModel* m_entries = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;
};
