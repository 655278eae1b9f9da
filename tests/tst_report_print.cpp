// The print command against the virtual instrument: the identity exchange over the serial link
// (0xF8) or the serial-number string over USB picks the report's footer; a lost serial link
// stops the command. The preview it opens is read back through the report's PDF and closed.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/ReportVendors.h"
#include "report/UDlgPreview.h"
#include "report/UQRMain.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "tests/tst_report_pdf.h"
#include "ui/UMain.h"

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace ReportPdf;

namespace {

constexpr double kFooterTop = 297.0 - 10.0 - 19.84;

struct PreviewSeen {
    bool opened = false;
    QString statusWhileOpen;
    int deviceType = -1;
    int windowsOpen = 0;
    QString pdf;
};

// Answers the preview the print command opens: records what it shows, writes the report as a
// PDF, asks for a second print while it is open, and closes it.
void HandleNextPreview(TFrmMain& window, PreviewSeen& seen, const QString& pdf) {
    QTimer::singleShot(0, [&window, &seen, pdf] {
        TFrmPreview* preview = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((preview = window.Report()->PreviewWindow()) != nullptr, 5000);
        seen.opened = true;
        seen.statusWhileOpen = window.StatusText();
        seen.deviceType = giDeviceType;
        if (preview->Report && preview->Report->ExportPdf(pdf))
            seen.pdf = pdf;
        window.BtnPrintClick(); // one preview at a time: returns at once
        for (QWidget* w : QApplication::topLevelWidgets())
            seen.windowsOpen += qobject_cast<TFrmPreview*>(w) && w->isVisible() ? 1 : 0;
        preview->tbExit->click();
    });
}

QStringList FooterLines(const QString& pdf, int page) {
    return Lines(WordsIn(PageWords(pdf, page), 0, 210, kFooterTop));
}

QStringList ExpectedFooter(int deviceType, int page) {
    const VendorFooter vendor = VendorFooterFor(deviceType);
    QStringList lines{QString::number(page)};
    if (!vendor.company.isEmpty())
        lines << vendor.company.simplified() << vendor.contact.simplified();
    return lines;
}

void FillGrid(TFrmMain& window, int rows) {
    window.Grid()->setGridRowCount(rows + 1);
    for (int r = 1; r <= rows; ++r)
        window.Grid()->setRow(r,
                              {QString::number(r), QStringLiteral("24-03-15 09:41"),
                               QStringLiteral("D%1").arg(r), QStringLiteral("LI"), QStringLiteral("LAB"),
                               QStringLiteral("100 A"), QStringLiteral("5 秒"), QStringLiteral("100.1 uΩ")});
    giRecordCount = rows;
}

} // namespace

class TestReportPrint : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void init() { ResetSharedState(); }

    void serialIdentityPicksTheFooter_data() {
        QTest::addColumn<int>("identity");
        QTest::addColumn<int>("deviceType");
        QTest::addColumn<QString>("status");
        QTest::newRow("1: 5731") << 1 << 1 << QStringLiteral("5731已连接");
        QTest::newRow("2: qmvr") << 2 << 2 << QStringLiteral("qmvr已连接");
        QTest::newRow("0: none") << 0 << 0 << QStringLiteral("已连接");
        QTest::newRow("3: none") << 3 << 0 << QStringLiteral("已连接");
    }
    void serialIdentityPicksTheFooter() {
        QFETCH(int, identity);
        QFETCH(int, deviceType);
        QFETCH(QString, status);
        TempProgramDir dir;
        SimSetup setup;
        setup.identity = uint8_t(identity);
        SerialSim sim(setup);
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);
        MessageRecorder messages;
        TFrmMain window;
        FillGrid(window, 30);
        gbDeviceConnected = true;
        PreviewSeen seen;
        HandleNextPreview(window, seen, m_dir.filePath(QStringLiteral("serial.pdf")));
        window.BtnPrintClick();

        QVERIFY(seen.opened);
        QCOMPARE(seen.deviceType, deviceType);
        QCOMPARE(seen.windowsOpen, 1);
        QCOMPARE(sim.requestCodes(), QList<uint8_t>({0xF8}));
        QCOMPARE(window.StatusText(), status);
        QCOMPARE(window.ListBox1->count(), 2);
        QCOMPARE(window.ListBox1->item(0)->text(), QStringLiteral("( 0)--F8"));
        QCOMPARE(window.ListBox1->item(1)->text(),
                 QStringLiteral("( 1)--%1").arg(identity, 2, 16, QChar('0')));
        QVERIFY(messages.messages.isEmpty());
        QVERIFY(!seen.pdf.isEmpty());
        QCOMPARE(PageCount(seen.pdf), 2);
        for (int page = 1; page <= 2; ++page)
            QCOMPARE(FooterLines(seen.pdf, page), ExpectedFooter(deviceType, page));
        QCOMPARE(window.Report()->PreviewWindow(), nullptr);
    }

    // Without an answer to 0xF8 the instrument counts as gone: no report.
    void serialLinkLostStopsThePrint() {
        TempProgramDir dir;
        SerialSim sim;
        QVERIFY(sim.ok());
        sim.pointProgramAt(3);
        sim.setFaults(SimFaults{.noReply = true});
        MessageRecorder messages;
        TFrmMain window;
        FillGrid(window, 3);
        gbDeviceConnected = true;
        window.UpdateButtons();
        bool opened = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            if (TFrmPreview* preview = window.Report()->PreviewWindow()) {
                opened = true;
                preview->close();
            }
        });
        probe.start(10);
        window.BtnPrintClick();
        probe.stop();

        QVERIFY(!opened);
        QVERIFY(!gbDeviceConnected);
        QVERIFY(!window.BtnSampleData->isEnabled());
        QVERIFY(!window.BtnClearData->isEnabled());
        QVERIFY(!window.BtnTest->isEnabled());
        QCOMPARE(window.StatusText(), QStringLiteral("设备已断开！"));
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages[0].text, QStringLiteral("设备已断开！"));
        QCOMPARE(messages.messages[0].caption, AppTitle());
        QCOMPARE(messages.messages[0].icon, MsgIcon::Warning);
        QCOMPARE(giDeviceType, 0);
    }

    void usbSerialStringPicksTheFooter_data() {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("deviceType");
        QTest::newRow("5731") << QStringLiteral("OH5731-000123") << 1;
        QTest::newRow("qmvr") << QStringLiteral("qmvr-0042") << 2;
        QTest::newRow("both: 5731 first") << QStringLiteral("qmvr5731") << 1;
        QTest::newRow("neither") << QStringLiteral("QMVR-0042") << 0;
    }
    void usbSerialStringPicksTheFooter() {
        QFETCH(QString, serial);
        QFETCH(int, deviceType);
        SimSetup setup;
        setup.usbSerialString = serial;
        TempProgramDir dir;
        UsbSim usb(setup);
        usb.pointProgramAt();
        MessageRecorder messages;
        TFrmMain window;
        FillGrid(window, 3);
        PreviewSeen seen;
        HandleNextPreview(window, seen, m_dir.filePath(QStringLiteral("usb.pdf")));
        window.BtnPrintClick();

        QVERIFY(seen.opened);
        QCOMPARE(seen.deviceType, deviceType);
        QCOMPARE(window.StatusText(), serial + QStringLiteral("已连接"));
        QVERIFY(usb.requests().isEmpty()); // no command goes to the instrument
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(FooterLines(seen.pdf, 1), ExpectedFooter(deviceType, 1));
    }

    // A USB bridge that cannot be read still gives the report, without vendor lines.
    void usbWithoutDeviceStillPrints() {
        SimSetup setup;
        setup.faults.dieAfter = 0;
        TempProgramDir dir;
        UsbSim usb(setup);
        usb.pointProgramAt();
        MessageRecorder messages;
        TFrmMain window;
        FillGrid(window, 2);
        window.SetStatusText(QStringLiteral("before"));
        PreviewSeen seen;
        HandleNextPreview(window, seen, m_dir.filePath(QStringLiteral("nousb.pdf")));
        window.BtnPrintClick();

        QVERIFY(seen.opened);
        QCOMPARE(seen.deviceType, 0);
        QCOMPARE(window.StatusText(), QStringLiteral("before"));
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(FooterLines(seen.pdf, 1), ExpectedFooter(0, 1));
    }

    // An empty grid still prints one row, numbered 1, with grid row 1 as it stands.
    void emptyGridPrintsOneRow() {
        SimSetup setup;
        TempProgramDir dir;
        UsbSim usb(setup);
        usb.pointProgramAt();
        TFrmMain window;
        giRecordCount = 0;
        PreviewSeen seen;
        HandleNextPreview(window, seen, m_dir.filePath(QStringLiteral("empty.pdf")));
        window.BtnPrintClick();

        QVERIFY(seen.opened);
        QCOMPARE(PageCount(seen.pdf), 1);
        QStringList numbers = Texts(WordsIn(PageWords(seen.pdf, 1), 11.65, 24.08, 0, kFooterTop));
        numbers.removeAll(QStringLiteral("序号"));
        QCOMPARE(numbers, QStringList{"1"});
        QCOMPARE(window.Report()->iRowCount, 1);
    }

    // Closing the main window while its preview is open takes the preview along.
    void closingTheMainWindowClosesThePreview() {
        SimSetup setup;
        TempProgramDir dir;
        UsbSim usb(setup);
        usb.pointProgramAt();
        TFrmMain window;
        window.show();
        FillGrid(window, 2);
        QPointer<TFrmPreview> seen;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY_WITH_TIMEOUT((seen = window.Report()->PreviewWindow()) != nullptr, 5000);
            window.close();
        });
        window.BtnPrintClick();
        QVERIFY(seen.isNull());
        QCOMPARE(window.Report(), nullptr);
    }
};

QTEST_MAIN(TestReportPrint)
#include "tst_report_print.moc"
