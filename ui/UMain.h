#pragma once
// The main window: the button row, the record grid and the status bar. Its flows are split by
// subject: UMain.cpp (creation, connect, upload, clear), UMainGrid.cpp (the record grid),
// UMainDialogs.cpp (live test and serial number dialogs), UMainFiles.cpp (save and open),
// UMainPrint.cpp (the report), UMainHistory.cpp (a device's history), UMainArchive.cpp (the
// record archive's windows).
#include "core/TestRecord.h"

#include <QMainWindow>
#include <cstdint>

class InstrumentLink;
class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTableView;
class QTimer;
class QToolButton;
class RecordGrid;
class TQRMain;

// The text of "关于…": the program's title, its settings file and its data folder.
QString AboutText();

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFrmMain(QWidget* parent = nullptr);
    ~TFrmMain() override;

    // ---- Window operations used by other windows ----
    bool ConnectDevice();
    void UpdateButtons();
    void ShowByteTrace(const uint8_t* bytes, int count);
    void ShowByteTrace(const QByteArray& reply);
    QString StatusText() const;
    void SetStatusText(const QString& text);
    // Shows or hides the byte trace list by widening the window (service key Ctrl+Shift+T).
    void ToggleByteTrace();
    bool ByteTraceShown() const;
    bool Uploading() const { return m_uploading; }

    // ---- Record grid (UMainGrid.cpp) ----
    void InitGrid();
    void FillRecordRow(int row, const uint8_t* reply);
    // A live test's record from the shared test values; the reading carries the final resistance
    // as the instrument sent it, its poll reply, and the step and load time of its test, which a
    // row with a reading shows whatever the form was switched to since.
    void AppendTestRow(const TestRecord::LiveTest& reading = {});
    void ClearGrid();
    RecordGrid* Grid() const { return m_grid; }

    // ---- Handlers ----
    void btnUpdateListClick();
    void Timer1Timer();
    void BtnSampleDataClick();
    void BtnClearDataClick();
    void BtnTestClick();
    void BtnSetCommClick();
    void BtnExitClick();
    void BtnSeriesClick();
    // The history window of a device number (UMainHistory.cpp), over the window it is asked from
    // (this one by default); the current row's device, if any.
    void ShowDeviceHistory(const QString& device, QWidget* over = nullptr);
    void ShowCurrentDeviceHistory();
    // The record archive's windows and imports (UMainArchive.cpp).
    void ImportRecordsClick();
    void ImportFolderClick();
    void ShowRegister();
    void ShowOverview();
    void ShowJobs();

    // ---- Files (UMainFiles.cpp) ----
    void BtnSaveClick();
    void BtnOpenClick();
    void SaveToTextFile(const QString& fileName);
    void LoadFromTextFile(const QString& fileName);
    void ExportToExcel(const QString& fileName);
    void ImportFromExcel(const QString& fileName);

    // ---- Report (UMainPrint.cpp) ----
    void BtnPrintClick();
    void FillReport();
    TQRMain* Report() const { return m_report; }

    // ---- Controls, named as the layout names them ----
    QPushButton* btnUpdateList = nullptr;
    QPushButton* BtnSampleData = nullptr;
    QPushButton* BtnClearData = nullptr;
    QPushButton* BtnTest = nullptr;
    QPushButton* BtnSave = nullptr;
    QPushButton* BtnOpen = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnSetComm = nullptr;
    QPushButton* BtnExit = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QTableView* SGData = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QWidget* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;
    QToolButton* BtnTools = nullptr; // "工具" in panel 2: the service actions of the status bar
    QProgressBar* PBar = nullptr;
    QListWidget* ListBox1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void CreateControls();
    void CreateStatusBar();
    void SetUpKeyboard();
    void CreateToolsMenu();
    // A button's click runs its handler unless an upload is under way (an assistive tool's press
    // reaches the button even while user input is held off).
    void ConnectClick(QPushButton* button, void (TFrmMain::*handler)());
    // The instrument did not answer: not connected, buttons off, "设备已断开！" shown; returns false.
    bool ConnectFailed(const QString& reason = {});
    void ShowUploadProgress(int position); // moves PBar and repaints without taking user input
    // Reads records 1..count into the grid with user input held off; returns how many arrived.
    int ReadRecords(InstrumentLink& link, int count);
    void SetUpGridView();        // UMainGrid.cpp
    void CreateServiceEntries(); // UMainDialogs.cpp: ways in to the service-only dialogs
    void CreateArchiveEntries(); // UMainArchive.cpp
    void CreateLanguageEntry();  // UMainDialogs.cpp: "界面语言", kept for the next start
    void CreateAboutEntry();     // UMainDialogs.cpp: "关于…", where the files are kept
    void CreateReport();         // UMainPrint.cpp
    void ReleaseReport();        // UMainPrint.cpp

    RecordGrid* m_grid = nullptr;
    TQRMain* m_report = nullptr;
    bool m_uploading = false;
};
