#pragma once
// The window "站点总览": station → bay → device, each device with its last test, its change
// against the previous test at the same current and its verdict; the worst verdict of a bay and
// of a station shows on its row. Filtered by verdict and station, searched by device number;
// a device whose phase matches the verdict filter keeps its bay's other phases in view. A
// double-click opens the device's history. Exported as .xlsx and as an A4 PDF.
#include "archive/ArchiveQueries.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFrmOverview : public QDialog {
    Q_OBJECT
public:
    explicit TFrmOverview(QWidget* parent = nullptr);

    const std::vector<OverviewStation>& Stations() const { return m_stations; }
    void Refresh();
    bool ExportTo(const QString& fileName); // .xlsx or .pdf by the name
    void BtnExportExcelClick();
    void BtnExportPdfClick();

    QComboBox* CBVerdict = nullptr;
    QComboBox* CBStation = nullptr;
    QLineEdit* EdtSearch = nullptr;
    QTreeWidget* TreeOverview = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* BtnExportExcel = nullptr;
    QPushButton* BtnExportPdf = nullptr;
    QPushButton* BtnClose = nullptr;

signals:
    void deviceChosen(const QString& device);

private:
    void CreateControls();
    void ShowTree();
    // Whether the station and search filters let the device through.
    bool PlaceShown(const OverviewDevice& device, const QString& station) const;
    // The bay's devices the filters show, in order.
    std::vector<const OverviewDevice*> ShownDevices(const OverviewBay& bay, const QString& station) const;

    std::vector<OverviewStation> m_stations;
};
