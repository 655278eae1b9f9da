#pragma once
// The window "设备台账": every device number seen, with its place, kind, baselines and limit,
// edited in place and kept in the archive; the factors of the assessment for all devices below.
// Imported from and exported to .xlsx and .csv with the window's columns, read by their headers;
// the button's export runs in the background.
// Closing asks before edits not saved are thrown away.
#include "archive/AssetRegister.h"
#include "ui/FileExport.h"
#include "ui/ValueModels.h"

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

// A row of the register as typed: the window's columns, and whether the device was registered
// before (a device only seen stays out of the register until something is filled in for it).
struct RegisterRow {
    QStringList columns;
    bool registered = false;
};
using RegisterModel = ValueTableModel<RegisterRow>;

class TFrmRegister : public QDialog {
    Q_OBJECT
public:
    explicit TFrmRegister(QWidget* parent = nullptr);

    // The rows as the table holds them now.
    std::vector<Asset> Assets() const;
    // Every row, edited in place; the table shows it through Shown() (searched, sorted).
    RegisterModel* Rows() const { return m_rows; }
    QSortFilterProxyModel* Shown() const { return m_shown; }
    void BtnSaveClick();
    void BtnImportClick();
    void BtnExportClick();
    // Imports or exports the named file without asking for a name (the buttons ask).
    bool ImportFrom(const QString& fileName);
    bool ExportTo(const QString& fileName);
    // The rows as the file takes them.
    TableExport Table() const;

    QLineEdit* EdtSearch = nullptr;
    QTableView* TblAssets = nullptr;
    QLineEdit* EdtBaselineFactor = nullptr;
    QLineEdit* EdtRiseFactor = nullptr;
    QLineEdit* EdtPhaseFactor = nullptr;
    QPushButton* BtnSave = nullptr;
    QPushButton* BtnImport = nullptr;
    QPushButton* BtnExport = nullptr;
    QPushButton* BtnClose = nullptr;
    QLabel* lblStatus = nullptr;

public slots:
    // "关闭", Esc and the window's close button ask before edits not saved are thrown away.
    void reject() override;

private:
    void CreateControls();
    QHBoxLayout* CreateSearch();
    void CreateTable();
    QHBoxLayout* CreateFactors();
    QHBoxLayout* CreateStatusBar();
    void ConnectControls();
    void Load();
    void ShowAssets(const std::vector<Asset>& assets);
    void ShowExported(const QString& fileName);

    RegisterModel* m_rows = nullptr;
    QSortFilterProxyModel* m_shown = nullptr;

    bool m_edited = false; // the table or the factors changed since the last load
};
