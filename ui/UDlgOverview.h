#pragma once
// The window "站点总览": station → bay → device, each device with its last test, its change
// against the previous test at the same current and its verdict; the worst verdict of a bay and
// of a station shows on its row. Filtered by verdict and station, searched by device number;
// a device whose phase matches the verdict filter keeps its bay's other phases in view. Each
// registered device shows its next test, filtered "已逾期", "30 天内到期" or "全部"; "新建任务" turns
// the due assets of the chosen station or bay into a new job. A double-click opens the device's
// history. Exported as .xlsx and as an A4 PDF, in the background from the buttons.
#include "ui/FileExport.h"
#include "ui/OverviewModel.h"

#include <QDialog>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

class TFrmOverview : public QDialog {
    Q_OBJECT
public:
    explicit TFrmOverview(QWidget* parent = nullptr);

    const std::vector<OverviewStation>& Stations() const { return m_model->stations(); }
    OverviewModel* Model() const { return m_model; }
    OverviewFilter* Shown() const { return m_shown; } // what the tree shows
    void Refresh();
    void SetToday(const QDate& today); // the day the due filter counts from (today)
    // A new job of the due assets of the chosen station or bay, opened in the jobs window.
    void BtnNewJobClick();
    // What the tree shows, in its order, as a table to export.
    TableExport Table() const;
    bool ExportTo(const QString& fileName); // .xlsx or .pdf by the name
    // The same on a worker thread, with its progress and "取消" over the window (the buttons' way).
    void ExportInBackground(const QString& fileName);
    void BtnExportExcelClick();
    void BtnExportPdfClick();

    QComboBox* CBVerdict = nullptr;
    QComboBox* CBStation = nullptr;
    QComboBox* CBDue = nullptr; // "已逾期", "30 天内到期", "全部"
    QLineEdit* EdtSearch = nullptr;
    QTreeView* TreeOverview = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* BtnNewJob = nullptr;
    QPushButton* BtnExportExcel = nullptr;
    QPushButton* BtnExportPdf = nullptr;
    QPushButton* BtnClose = nullptr;

signals:
    void deviceChosen(const QString& device);
    void jobsChanged();

private:
    void CreateControls();
    QHBoxLayout* CreateFilters();
    void CreateTree();
    QHBoxLayout* CreateStatusBar();
    void ConnectControls();
    void Filter();
    void ShowCount();
    void ShowExported(const QString& fileName);

    OverviewModel* m_model = nullptr;
    OverviewFilter* m_shown = nullptr;
};
