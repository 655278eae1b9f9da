// The live test dialog: starting a test, the poll timer and saving the result.
#include "ui/UDlgTest.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/Protocol.h"
#include "ui/UMain.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace {

// More running polls than this and the dialog stops asking (about 100 s; a test lasts 60 s at most).
constexpr int32_t kPollLimit = 100;
// The final readings stay on screen this long before the parameters can be changed again.
constexpr auto kFinishedPause = std::chrono::milliseconds(1000);

} // namespace

void TFrmTest::BtnTestClick() {
    if (!ValidateInputs(StepRule::Selected))
        return;
    PollCount = 0;
    StartTest();
}

void TFrmTest::StartTest() {
    ClearReadings();
    if (!SendTestParams(cmdStartTest))
        return;
    // The step and load time this test runs at, which its readings are saved with.
    m_reading.stepCode = iCurrentStep;
    m_reading.loadSeconds = iTestTime;
    EnableTestParams(false);
    Timer1->start();
    ShowProgress();
    PBar->show();
}

void TFrmTest::ShowProgress() {
    PBar->setValue(std::clamp(PollCount, PBar->minimum(), PBar->maximum()));
}

void TFrmTest::ShowReadings(const PollReply& reply) {
    EdtCurrent->setText(reply.current);
    EdtVolt->setText(reply.voltage);
    EdtRes->setText(reply.resistance);
    m_reading.resistance = reply.resistanceReading;
    m_reading.resistanceShown = reply.resistance;
    m_reading.pollReply = reply.bytes;
}

void TFrmTest::Timer1Timer() {
    // Disarmed first and re-armed only at the end of a running poll, so ticks never overlap.
    Timer1->stop();
    if (PollCount > kPollLimit) {
        PBar->hide();
        return;
    }
    InstrumentLink link;
    const std::optional<PollReply> polled = link.poll();
    if (!polled) {
        ShowMessage(QCoreApplication::translate("UDlgTestPoll", "通讯失败！"), AppTitle(), MsgIcon::Warning);
        EnableTestParams(true);
        return;
    }
    ShowTrace(link.lastReply());
    const PollReply& reply = *polled;
    switch (reply.status) {
    case uint8_t(TestStatus::WiringError):
        ClearReadings();
        EnableTestParams(true);
        ShowMessage(QCoreApplication::translate("UDlgTestPoll", "接线错误！"), AppTitle(), MsgIcon::Warning);
        PBar->hide();
        break;
    case uint8_t(TestStatus::OverRange):
        ClearReadings();
        EnableTestParams(true);
        ShowMessage(QCoreApplication::translate("UDlgTestPoll", "超量程！"), AppTitle(), MsgIcon::Warning);
        PBar->hide();
        break;
    case uint8_t(TestStatus::Finished):
        ShowReadings(reply);
        PBar->hide();
        FinishTest();
        break;
    case uint8_t(TestStatus::Running):
        ShowReadings(reply);
        Timer1->start();
        ++PollCount;
        ShowProgress();
        break;
    default:
        // Unknown status: counted, but no further poll; the controls stay disabled.
        ++PollCount;
        ShowProgress();
        break;
    }
}

void TFrmTest::FinishTest() {
    // The window stays alive during the pause, so the final readings are painted and clicks on
    // the still disabled parameter controls are dropped; a blocking sleep would queue them and
    // deliver them to "测试" once it is enabled again. A close asked for during the pause is
    // carried out after it, with the same check as any other close.
    m_showingFinalReadings = true;
    m_closeAfterPause = false;
    Delay(uint16_t(kFinishedPause.count()));
    m_showingFinalReadings = false;
    EnableTestParams(true);
    if (m_closeAfterPause) {
        m_closeAfterPause = false;
        reject();
    }
}

void TFrmTest::BtnOKClick() {
    if (!AcceptResult() || !m_mainWindow)
        return;
    m_mainWindow->AppendTestRow(m_reading);
}
