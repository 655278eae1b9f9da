// The libusb bridge backend driving an emulated 10C4:EA61 device under umockdev, with the
// virtual instrument behind its bulk endpoints. The test re-runs itself under umockdev-wrapper
// when started directly; without the wrapper it skips.
#include "tests/tst_usb_mockbridge.h"

#include "core/UDataCenter.h"
#include "link/LibusbBackend.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"

#include <QTest>
#include <unistd.h>

using namespace usbmock;

namespace {

QByteArray Bytes(const uint8_t* data, uint32_t count) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(count));
}

} // namespace

class TestUsbLibusb : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (!Preloaded())
            QSKIP("umockdev-wrapper is not available: run this test under it by hand");
    }
    void init() {
        ResetSharedState();
        SimSetup setup;
        setup.records = DemoRecords();
        m_instrument = std::make_shared<VirtualInstrument>(setup);
        m_bridge = std::make_unique<MockBridge>(m_instrument);
        QVERIFY(m_bridge->ok());
        // No backend chosen: the SI_ functions use libusb (created now, after the device exists).
        m_previous = SetUsbBackend(nullptr);
        QVERIFY(dynamic_cast<LibusbBackend*>(CurrentUsbBackend().get()));
        SI_SetTimeouts(100, 100);
    }
    void cleanup() {
        SetUsbBackend(m_previous);
        m_bridge.reset();
    }

    void deviceCount() {
        uint32_t devices = 0;
        QCOMPARE(SI_GetNumDevices(&devices), SI_SUCCESS);
        QCOMPARE(devices, 1u);
    }

    void productStrings_data() {
        QTest::addColumn<uint>("option");
        QTest::addColumn<QString>("text");
        QTest::newRow("serial number") << uint(SI_RETURN_SERIAL_NUMBER) << kSerial;
        QTest::newRow("description") << uint(SI_RETURN_DESCRIPTION) << kProduct;
        QTest::newRow("vendor") << uint(SI_RETURN_VID) << QStringLiteral("10c4");
        QTest::newRow("product") << uint(SI_RETURN_PID) << QStringLiteral("ea61");
    }
    void productStrings() {
        QFETCH(uint, option);
        QFETCH(QString, text);
        char buffer[SI_MAX_DEVICE_STRLEN + 1] = {};
        QCOMPARE(SI_GetProductString(0, buffer, option), SI_SUCCESS);
        QCOMPARE(QString::fromLatin1(buffer), text);
        QCOMPARE(SI_GetProductString(1, buffer, option), SI_DEVICE_NOT_FOUND);
    }

    // Open claims interface 0 and sends the bridge's requests; close sends its own.
    void openAndCloseRequests() {
        HANDLE handle = INVALID_HANDLE_VALUE;
        QCOMPARE(SI_Open(0, &handle), SI_SUCCESS);
        QVERIFY(handle != INVALID_HANDLE_VALUE);
        HANDLE second = 0;
        QCOMPARE(SI_Open(0, &second), SI_DEVICE_IO_FAILED);
        QCOMPARE(SI_Close(handle), SI_SUCCESS);
        const QStringList log = m_bridge->log();
        QCOMPARE(log.mid(0, 6), (QStringList{"claim 0", "control 40 00 ffff", "clear-halt 82",
                                             "clear-halt 01", "control 40 02 0002", "control 40 02 0004"}));
        QVERIFY(log.contains("release 0"));
        QCOMPARE(SI_Close(handle), SI_INVALID_HANDLE);
    }

    // A record read from the instrument: what a read does not take stays for the next read.
    void bulkWriteAndPacketLeftover() {
        HANDLE handle = INVALID_HANDLE_VALUE;
        QCOMPARE(SI_Open(0, &handle), SI_SUCCESS);
        uint8_t request[2] = {cmdReadRecord, 3};
        uint32_t count = 0;
        QCOMPARE(SI_Write(handle, request, 2, &count), SI_SUCCESS);
        QCOMPARE(count, 2u);
        uint8_t head[10] = {};
        QCOMPARE(SI_Read(handle, head, sizeof head, &count), SI_SUCCESS);
        QCOMPARE(count, 10u);
        uint8_t rest[64] = {};
        QCOMPARE(SI_Read(handle, rest, sizeof rest, &count), SI_SUCCESS);
        QCOMPARE(Bytes(head, 10) + Bytes(rest, count), DemoRecords().at(3));
        SI_Close(handle);
        QVERIFY(m_bridge->log().contains("bulk-out f103"));
    }

    // Nothing to read: the transfer is cancelled at the read time-out.
    void readTimeout() {
        HANDLE handle = INVALID_HANDLE_VALUE;
        QCOMPARE(SI_Open(0, &handle), SI_SUCCESS);
        uint8_t buffer[64] = {};
        uint32_t count = 99;
        QCOMPARE(SI_Read(handle, buffer, sizeof buffer, &count), SI_READ_TIMED_OUT);
        QCOMPARE(count, 0u);
        SI_Close(handle);
        QVERIFY(m_bridge->log().contains("discard"));
    }

    // The whole USB exchange over libusb: an upload of the stored records.
    void uploadThroughLibusb() {
        giCommStyle = 0;
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(int(buffer[1]), DemoRecords().size());
        for (int k = 0; k < buffer[1]; ++k) {
            CommandBuffer record{cmdReadRecord, uint8_t(k)};
            QVERIFY(SendCommand(cmdReadRecord, record, 37, 2));
            QCOMPARE(Bytes(record.data(), 37), DemoRecords().at(k));
        }
        uint32_t readTimeout = 0;
        uint32_t writeTimeout = 0;
        SI_GetTimeouts(&readTimeout, &writeTimeout);
        QCOMPARE(readTimeout, 100u);
        QCOMPARE(writeTimeout, 100u);
    }

private:
    std::shared_ptr<VirtualInstrument> m_instrument;
    std::unique_ptr<MockBridge> m_bridge;
    std::shared_ptr<UsbBackend> m_previous;
};

int main(int argc, char** argv) {
    if (!Preloaded() && !qEnvironmentVariableIsSet("OHMARA_NO_UMOCKDEV")) {
        std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
#if defined(__SANITIZE_ADDRESS__)
        // The preload library comes before the sanitizer's runtime in the list of libraries.
        QByteArray options = qgetenv("ASAN_OPTIONS");
        qputenv("ASAN_OPTIONS", options + (options.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
#endif
        execvp("umockdev-wrapper", args.data());
        qputenv("OHMARA_NO_UMOCKDEV", "1"); // no wrapper: the tests skip
    }
    QCoreApplication app(argc, argv);
    TestUsbLibusb test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usb_libusb.moc"
