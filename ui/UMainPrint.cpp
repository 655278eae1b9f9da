// The print command: identify the instrument (its model picks the report's vendor lines), copy
// the grid's records into the report and show it in the preview until the preview closes.
#include "ui/UMain.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/SiUsbXp.h"
#include "link/UCommUnit.h"
#include "report/UDlgPreview.h"
#include "report/UQRMain.h"

#include <QEventLoop>
#include <QPointer>
#include <algorithm>
#include <cstring>

namespace {

const QString kConnectedSuffix = QStringLiteral("已连接");
const QString kDisconnected = QStringLiteral("设备已断开！");
constexpr int kProductStringBuffer = SI_MAX_DEVICE_STRLEN + 1;

} // namespace

void TFrmMain::BtnPrintClick() {
    if (!m_report)
        return;
    // One preview at a time: a second request brings the open one to the front.
    if (TFrmPreview* open = m_report->PreviewWindow()) {
        open->raise();
        open->activateWindow();
        return;
    }
    giDeviceType = 0;
    if (giCommStyle != 0) {
        CommandBuffer buffer{};
        buffer[0] = cmdIdentify;
        if (!SerialExchange(cmdIdentify, buffer, kIdentifyReplyLength, 1)) {
            gbDeviceConnected = false;
            UpdateButtons();
            SetStatusText(kDisconnected);
            ShowMessage(kDisconnected, kAppTitle, MsgIcon::Warning);
            return;
        }
        const QString model = ModelText(buffer[1]);
        giDeviceType = model.isEmpty() ? 0 : buffer[1];
        SetStatusText(model + kConnectedSuffix);
        ShowByteTrace(buffer.data(), kIdentifyReplyLength);
    } else {
        uint32_t devices = 0;
        char serial[kProductStringBuffer] = {};
        if (SI_GetNumDevices(&devices) == SI_SUCCESS &&
            SI_GetProductString(0, serial, SI_RETURN_SERIAL_NUMBER) == SI_SUCCESS) {
            serial[kProductStringBuffer - 1] = '\0';
            const QString text = Gbk::decode(QByteArray(serial, qsizetype(std::strlen(serial))));
            SetStatusText(text + kConnectedSuffix);
            giDeviceType = DeviceTypeFromUsbString(text);
        }
    }
    FillReport();

    QPointer<TFrmPreview> preview = m_report->Preview();
    if (!preview)
        return;
    QEventLoop waitForClose;
    connect(preview.data(), &QObject::destroyed, &waitForClose, &QEventLoop::quit);
    waitForClose.exec();
}

void TFrmMain::FillReport() {
    const int n = std::max(giRecordCount, 1);
    m_report->AllocRows(n);
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= TQRMain::kRowTexts; ++c)
            m_report->Rows[size_t(r - 1)][size_t(c - 1)] = Grid()->cell(c, r);
    m_report->PrepareReport();
}

void TFrmMain::CreateReport() {
    m_report = new TQRMain;
}

void TFrmMain::ReleaseReport() {
    if (!m_report)
        return;
    m_report->ClearRows();
    delete m_report;
    m_report = nullptr;
}
