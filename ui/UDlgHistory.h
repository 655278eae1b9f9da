#pragma once
// The window "设备历史": every record of one device number, from the record grid and the archive
// (the data folder's files while it cannot be read), as a table by test time with each record's
// verdict and its reasons, and as a trend chart with the device's resistance limit, exported to
// PDF and PNG in the data folder; below, the phases of its bay side by side. Modal; it frees
// itself when it closes.
#include "archive/Assessment.h"
#include "history/DeviceHistory.h"
#include "ui/BayPhasesTable.h"

#include <QDialog>
#include <optional>

class QChart;
class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class RecordGrid;

// A row of the history's table: the record and, when the archive can be read, its verdict.
struct HistoryRow {
    HistoryEntry entry;
    std::optional<Assessment> assessment;
};
using HistoryRowsModel = ValueTableModel<HistoryRow>;

class TFrmHistory : public QDialog {
    Q_OBJECT
public:
    TFrmHistory(const RecordGrid& grid, int recordCount, const QString& device, QWidget* parent = nullptr);

    const DeviceHistory& History() const { return m_history; }
    QChart* Chart() const;
    // The files the last export wrote (full paths); the buttons' exports run in the background.
    QString LastPdf() const { return m_lastPdf; }
    QString LastPng() const { return m_lastPng; }
    HistoryRowsModel* Rows() const { return m_rows; }
    BayPhasesModel* Phases() const { return m_phases; }

    void BtnQueryClick();
    void BtnSetLimitClick();
    void BtnClearLimitClick();
    void BtnExportPdfClick();
    void BtnExportPngClick();
    // Exports the named file, a PNG picture by its ending or else a PDF, without asking.
    bool ExportTo(const QString& fileName);
    // As the buttons do: asks before it replaces the file, then writes it in the background.
    void ExportInBackground(const QString& fileName);

    QLineEdit* EdtDevice = nullptr;
    QPushButton* BtnQuery = nullptr;
    QLineEdit* EdtLimit = nullptr;
    QPushButton* BtnSetLimit = nullptr;
    QPushButton* BtnClearLimit = nullptr;
    QTableView* TblHistory = nullptr; // on Rows(), sorted by any column
    QTableView* TblPhases = nullptr;  // the bay's phases side by side, when the register knows them
    QChartView* ChartHistory = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* BtnExportPdf = nullptr;
    QPushButton* BtnExportPng = nullptr;
    QPushButton* BtnClose = nullptr;

private:
    void CreateControls();
    void Gather();
    void ShowHistory();
    void ShowChart();
    QString Limit() const; // the register's exact text, or ""
    // Exports to the data folder under a name made of the device and the time.
    void Export(const QString& suffix);
    void ShowExported(const QString& fileName);
    void Refuse(const QString& text, QWidget* field);

    const RecordGrid& m_grid;
    int m_recordCount = 0;
    DeviceHistory m_history;
    HistoryRowsModel* m_rows = nullptr;
    BayPhasesModel* m_phases = nullptr;
    QString m_lastPdf;
    QString m_lastPng;
};
