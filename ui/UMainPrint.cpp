// The print command: identify the instrument (its model picks the report's vendor lines), copy
// the grid's records into the report and show it in the preview until the preview closes.
#include "ui/UMain.h"

#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/Protocol.h"
#include "report/UDlgPreview.h"
#include "report/UQRMain.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <algorithm>

namespace {

QString Connected(const QString& instrument) {
    return QCoreApplication::translate("UMain", "%1已连接").arg(instrument);
}

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
        InstrumentLink link;
        const std::optional<uint8_t> identity = link.identify();
        if (!identity) {
            ConnectFailed(link.lastFailure()); // the instrument is gone: disconnected, and no report
            return;
        }
        const QString model = ModelText(*identity);
        giDeviceType = model.isEmpty() ? 0 : *identity;
        SetStatusText(Connected(model));
        ShowByteTrace(link.lastReply());
    } else if (const std::optional<QString> serial = InstrumentLink().usbSerialNumber()) {
        SetStatusText(Connected(*serial));
        giDeviceType = DeviceTypeFromUsbString(*serial);
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
