#pragma once
// The window "试验任务": the jobs on the left, the chosen job's fields, its rows (each record of its
// assets with its verdict, "未测" for a planned asset without a result) and its summary on the
// right; the steps from planning to approval below. The archive refuses what may not change.
#include "archive/TestJobs.h"
#include "ui/JobModels.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QVBoxLayout;

class TFrmJobs : public QDialog {
    Q_OBJECT
public:
    explicit TFrmJobs(QWidget* parent = nullptr, const QString& station = {});

    // The job shown (its uuid, "" for a new one not yet saved).
    QString ShownJob() const { return m_job.uuid; }
    void ShowJob(const QString& uuid);
    // Shows a new job, not yet saved, with these fields (from the due list).
    void StartJob(const TestJob& job);
    // The fields as typed, over the job shown.
    TestJob TypedJob() const;
    JobListModel* Jobs() const { return m_jobs; }
    JobRowsModel* Rows() const { return m_rows; }

    void BtnNewClick();
    bool BtnSaveClick();
    void BtnCurrentClick();
    void BtnAddRecordsClick();
    void BtnSubmitClick();
    void BtnCheckClick();
    void BtnApproveClick();
    void BtnSendBackClick();
    void BtnGoOnClick();
    void BtnReviseClick();
    void BtnReportClick();
    void BtnExportClick();
    void BtnImportClick();

    QLineEdit* EdtSearch = nullptr;
    QTableView* TblJobs = nullptr;
    QLineEdit* EdtNumber = nullptr;
    QLineEdit* EdtStation = nullptr;
    QLineEdit* EdtCustomer = nullptr;
    QComboBox* CmbKind = nullptr;
    QComboBox* CmbBasis = nullptr;
    QDateEdit* EdtFirstDay = nullptr;
    QDateEdit* EdtLastDay = nullptr;
    QLineEdit* EdtWeather = nullptr;
    QLineEdit* EdtTemperature = nullptr;
    QLineEdit* EdtHumidity = nullptr;
    QLineEdit* EdtTesters = nullptr;
    QComboBox* CmbInstrument = nullptr;
    QPlainTextEdit* EdtPlanned = nullptr; // one device number a line
    QLineEdit* EdtConclusion = nullptr;
    QLineEdit* EdtNotes = nullptr;
    QLineEdit* EdtSignature = nullptr;
    QLineEdit* EdtReason = nullptr; // why it goes back, or what a new revision changes
    QLabel* lblState = nullptr;
    QLabel* lblWarning = nullptr;
    QLabel* lblSummary = nullptr;
    QTableView* TblRows = nullptr;
    QPushButton* BtnNew = nullptr;
    QPushButton* BtnSave = nullptr;
    QPushButton* BtnCurrent = nullptr;
    QPushButton* BtnAddRecords = nullptr;
    QPushButton* BtnSubmit = nullptr;
    QPushButton* BtnCheck = nullptr;
    QPushButton* BtnApprove = nullptr;
    QPushButton* BtnSendBack = nullptr;
    QPushButton* BtnGoOn = nullptr;
    QPushButton* BtnRevise = nullptr;
    QPushButton* BtnReport = nullptr;
    QPushButton* BtnExport = nullptr; // the job as a file other programs and laptops read
    QPushButton* BtnImport = nullptr;
    QCheckBox* ChkTrends = nullptr;

signals:
    void jobsChanged();

private:
    void CreateControls();
    QVBoxLayout* CreateJobList();
    QFormLayout* CreateJobFields();
    QHBoxLayout* CreateSteps();
    void ConnectControls();
    void Reload();
    void ShowFields();
    // Runs a step of the job after the signature is kept; tells why it could not be done.
    void Step(const std::function<Outcome(TestJobs&)>& step);

    TestJob m_job;
    JobListModel* m_jobs = nullptr;
    QSortFilterProxyModel* m_jobsShown = nullptr;
    JobRowsModel* m_rows = nullptr;
    std::vector<Instrument> m_instruments;
};

// The connected instrument's serial number selects the current job's instrument, or offers to add
// it to the register of instruments.
void OfferJobInstrument(const QString& serial);
