#pragma once
// The live test dialog: picks a current step and a test time, runs one test on the connected
// instrument, shows its readings and saves the result as a new row of the main window's grid.
// It also edits the persisted test parameters and the three "其它参数" texts.
#include "core/TestRecord.h"
#include "link/Protocol.h"

#include <QDialog>
#include <cstdint>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class TFrmMain;
struct PollReply;

class TFrmTest : public QDialog {
    Q_OBJECT
public:
    // Runs the opening sequence at once (step table, times, readings, parameters to the
    // instrument). Saved rows go to mainWindow; the dialog frees itself when it closes.
    explicit TFrmTest(TFrmMain* mainWindow, QWidget* parent = nullptr);

    // ---- Handlers ----
    void CBCurrentStepChange();
    void BtnTestClick();
    void Timer1Timer();
    void BtnOKClick();

    // ---- Controls, named as the layout names them ----
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* CBCurrentStep = nullptr;
    QComboBox* cbTestTime = nullptr;
    QLineEdit* EdtCurrent = nullptr;
    QLineEdit* EdtVolt = nullptr;
    QLineEdit* EdtRes = nullptr;
    QPushButton* BtnTest = nullptr;
    QLineEdit* EdtDeviceNum = nullptr;
    QLineEdit* EdtTestUser = nullptr;
    QLineEdit* EdtTestAdd = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;
    QProgressBar* PBar = nullptr;
    QTimer* Timer1 = nullptr;
    QListWidget* ListBox1 = nullptr;

    // Polls of the running test answered with a non-final status; also the progress position.
    int32_t PollCount = 0;

public slots:
    // Esc, "退出" and the close box all end here: the dialog closes only with valid inputs.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Whether the step list must hold a selection for the inputs to pass.
    enum class StepRule { Any, Selected };

    void CreateControls();
    void CreateOtherParams();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void ReadCurrentSteps();
    void FillCurrentSteps(const std::array<uint8_t, kStepCount>& flags);
    void FillTestTimes();
    void ClearReadings();
    void ShowReadings(const PollReply& reply);
    void ShowTrace(const QByteArray& reply);
    void EnableTestParams(bool enabled);
    bool CheckTestParams();
    bool ValidateInputs(StepRule rule);
    bool AcceptShortText(QLineEdit* edit, const QString& fieldName, QString& target);
    bool Refuse(const QString& message, QWidget* field);
    bool AcceptResult();
    bool SendTestParams(uint8_t code);
    void StartTest();
    void ShowProgress();
    void FinishTest();

    TFrmMain* m_mainWindow = nullptr;
    bool m_closeApproved = false;
    bool m_showingFinalReadings = false; // the pause after a finished test is under way
    bool m_closeAfterPause = false;      // a close was asked for during that pause
    TestRecord::LiveTest m_reading;      // the resistance last shown, as the instrument sent it
};
