// The USB exchange through a scripted bridge, and against the virtual instrument in-process.
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/SiUsbXp.h"
#include "link/UCommUnit.h"
#include "tests/support/SimHarness.h"

#include <QTest>
#include <cstring>
#include <deque>
#include <stdexcept>

namespace {

// A bridge that answers from a script and logs every call in order.
class ScriptedBackend : public UsbBackend {
public:
    struct ReadResult {
        SI_STATUS status = SI_SUCCESS;
        QByteArray bytes;
    };
    SI_STATUS openStatus = SI_SUCCESS;
    HANDLE openHandle = 7;
    std::deque<SI_STATUS> writeStatuses; // empty: success
    std::deque<ReadResult> reads;        // empty: read time-out
    bool throwOnWrite = false;
    uint32_t readTimeout = 1234;
    uint32_t writeTimeout = 5678;
    QStringList log;
    QList<QByteArray> written;

    int count(const QString& prefix) const {
        int n = 0;
        for (const QString& entry : log)
            n += entry.startsWith(prefix) ? 1 : 0;
        return n;
    }

    SI_STATUS getNumDevices(uint32_t* n) override {
        *n = 1;
        return SI_SUCCESS;
    }
    SI_STATUS getProductString(uint32_t, char* text, uint32_t) override {
        text[0] = '\0';
        return SI_SUCCESS;
    }
    SI_STATUS open(uint32_t device, HANDLE* handle) override {
        log << QStringLiteral("open %1").arg(device);
        *handle = openHandle;
        return openStatus;
    }
    SI_STATUS close(HANDLE handle) override {
        log << QStringLiteral("close %1").arg(handle);
        return SI_SUCCESS;
    }
    SI_STATUS write(HANDLE, const uint8_t* buffer, uint32_t count, uint32_t* done) override {
        log << QStringLiteral("write %1 at %2/%3").arg(count).arg(readTimeout).arg(writeTimeout);
        if (throwOnWrite)
            throw std::runtime_error("bridge failure");
        written << QByteArray(reinterpret_cast<const char*>(buffer), count);
        SI_STATUS status = SI_SUCCESS;
        if (!writeStatuses.empty()) {
            status = writeStatuses.front();
            writeStatuses.pop_front();
        }
        *done = status == SI_SUCCESS ? count : 0;
        return status;
    }
    SI_STATUS read(HANDLE, uint8_t* buffer, uint32_t count, uint32_t* returned) override {
        log << QStringLiteral("read %1 at %2/%3").arg(count).arg(readTimeout).arg(writeTimeout);
        *returned = 0;
        if (reads.empty())
            return SI_READ_TIMED_OUT;
        const ReadResult r = reads.front();
        reads.pop_front();
        std::memcpy(buffer, r.bytes.constData(), size_t(r.bytes.size()));
        *returned = uint32_t(r.bytes.size());
        return r.status;
    }
    SI_STATUS getTimeouts(uint32_t* r, uint32_t* w) override {
        *r = readTimeout;
        *w = writeTimeout;
        return SI_SUCCESS;
    }
    SI_STATUS setTimeouts(uint32_t r, uint32_t w) override {
        readTimeout = r;
        writeTimeout = w;
        return SI_SUCCESS;
    }
};

QByteArray Bytes(const CommandBuffer& buffer, int count) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), count);
}

} // namespace

Q_DECLARE_METATYPE(SimFaults)

class TestUsbExchange : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        m_bridge = std::make_shared<ScriptedBackend>();
        m_previous = SetUsbBackend(m_bridge);
    }
    void cleanup() { SetUsbBackend(m_previous); }

    // An open failure ends the exchange after one open: the other attempts are not used.
    void openFailureEndsAtOnce_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<uint>("handle");
        QTest::newRow("status") << int(SI_DEVICE_NOT_FOUND) << 7u;
        QTest::newRow("invalid handle") << int(SI_SUCCESS) << uint(INVALID_HANDLE_VALUE);
    }
    void openFailureEndsAtOnce() {
        QFETCH(int, status);
        QFETCH(uint, handle);
        m_bridge->openStatus = status;
        m_bridge->openHandle = handle;
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(!UsbExchange(cmdRecordCount, buffer, 64, 1));
        QCOMPARE(m_bridge->count("open"), 1);
        QCOMPARE(m_bridge->count("write"), 0);
    }

    // Reads whose first byte is not the code are skipped before the proper reply; the eighth
    // stray read in a row ends the attempt, and the next attempt goes on reading. An instrument
    // that sends unrelated data through all four attempts cannot hold the exchange, and a read
    // that returns nothing is no reply, even though byte 0 still holds the code.
    void strayReadsBeforeTheReply_data() {
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("strays");
        QTest::addColumn<int>("opens");
        const QByteArray bytes("\x00\x11\x22", 3);
        QTest::newRow("one") << bytes << 1 << 1;
        QTest::newRow("seven") << bytes << 7 << 1;
        QTest::newRow("eight: the bound") << bytes << 8 << 2;
        QTest::newRow("through every attempt") << bytes << 4 * kUsbStrayReadLimit << 4;
        QTest::newRow("empty reads") << QByteArray() << 4 * kUsbStrayReadLimit << 4;
    }
    void strayReadsBeforeTheReply() {
        QFETCH(QByteArray, stray);
        QFETCH(int, strays);
        QFETCH(int, opens);
        for (int i = 0; i < strays; ++i)
            m_bridge->reads.push_back({SI_SUCCESS, stray});
        m_bridge->reads.push_back({SI_SUCCESS, QByteArray("\xF0\x05", 2)});
        CommandBuffer buffer{cmdRecordCount};
        const bool answered = strays < 4 * kUsbStrayReadLimit;
        QCOMPARE(UsbExchange(cmdRecordCount, buffer, 64, 1), answered);
        if (answered)
            QCOMPARE(Bytes(buffer, 2), QByteArray("\xF0\x05", 2));
        QCOMPARE(m_bridge->count("read"), answered ? strays + 1 : strays);
        QCOMPARE(m_bridge->count("open"), opens);
        QCOMPARE(m_bridge->count("close"), opens);
    }

    void shortReadIsAccepted() {
        m_bridge->reads.push_back({SI_SUCCESS, QByteArray("\xF0\x07", 2)});
        CommandBuffer buffer;
        buffer.fill(0xAA);
        buffer[0] = cmdRecordCount;
        QVERIFY(UsbExchange(cmdRecordCount, buffer, 64, 1));
        QCOMPARE(Bytes(buffer, 4), QByteArray("\xF0\x07\xAA\xAA", 4));
        QCOMPARE(m_bridge->log, (QStringList{"open 0", "write 1 at 0/100", "read 64 at 100/0", "close 7"}));
    }

    void failingStepsUseFourAttempts_data() {
        QTest::addColumn<bool>("failWrites");
        QTest::newRow("every write fails") << true;
        QTest::newRow("every read times out") << false;
    }
    void failingStepsUseFourAttempts() {
        QFETCH(bool, failWrites);
        if (failWrites)
            m_bridge->writeStatuses.assign(4, SI_WRITE_ERROR);
        CommandBuffer buffer{cmdReadRecord, 3};
        QVERIFY(!UsbExchange(cmdReadRecord, buffer, 64, 2));
        QStringList attempt{"open 0", "write 2 at 0/100"};
        if (!failWrites)
            attempt << "read 64 at 100/0";
        attempt << "close 7";
        QCOMPARE(m_bridge->log, attempt + attempt + attempt + attempt);
    }

    // Write-only commands: one chunk with the short write time-out, nothing read.
    void writeOnlyRequests_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("write serial, 9 bytes") << QByteArray("\xF7\x01\x02\x03\x04\x05\x06\x07\x08", 9);
        QTest::newRow("start test, 3 bytes") << QByteArray("\xF4\x0A\x01", 3);
        QTest::newRow("clear history, 1 byte") << QByteArray("\xF2", 1);
    }
    void writeOnlyRequests() {
        QFETCH(QByteArray, request);
        CommandBuffer buffer{};
        std::copy(request.begin(), request.end(), buffer.begin());
        QVERIFY(UsbExchange(buffer[0], buffer, 64, int(request.size())));
        QCOMPARE(m_bridge->log,
                 (QStringList{"open 0", QStringLiteral("write %1 at 0/10").arg(request.size()), "close 7"}));
        QCOMPARE(m_bridge->written, QList<QByteArray>{request});
    }

    // The library's time-outs are as they were after every kind of exchange.
    void timeoutsAreRestored_data() {
        QTest::addColumn<uint8_t>("code");
        QTest::addColumn<bool>("answer");
        QTest::newRow("reply") << cmdRecordCount << true;
        QTest::newRow("no reply") << cmdRecordCount << false;
        QTest::newRow("write-only") << cmdClearHistory << false;
    }
    void timeoutsAreRestored() {
        QFETCH(uint8_t, code);
        QFETCH(bool, answer);
        if (answer)
            m_bridge->reads.push_back({SI_SUCCESS, QByteArray(1, char(code))});
        CommandBuffer buffer{code};
        UsbExchange(code, buffer, 64, 1);
        QCOMPARE(m_bridge->readTimeout, 1234u);
        QCOMPARE(m_bridge->writeTimeout, 5678u);
    }

    // An exception inside an attempt passes on, and the device is closed on the way.
    void exceptionClosesTheDevice() {
        m_bridge->throwOnWrite = true;
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, UsbExchange(cmdRecordCount, buffer, 64, 1));
        QCOMPARE(m_bridge->log, (QStringList{"open 0", "write 1 at 0/100", "close 7"}));
        QCOMPARE(m_bridge->readTimeout, 1234u);
    }

    // SendCommand reads the 64-byte block over USB whatever the serial reply length is.
    void sendCommandReadsTheUsbBlock() {
        giCommStyle = 0;
        m_bridge->reads.push_back({SI_SUCCESS, QByteArray("\xF8\x01", 2)});
        CommandBuffer buffer{cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
        QVERIFY(m_bridge->log.contains("read 64 at 100/0"));
    }

    // ---- against the virtual instrument through the in-process bridge ----

    void uploadFromTheInstrument() {
        SimSetup setup;
        setup.records = DemoRecords();
        setup.faults.strayBefore = QByteArray("\x55\x55", 2);
        UsbSim usb(setup);
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(int(buffer[1]), setup.records.size());
        for (int k = 0; k < setup.records.size(); ++k) {
            buffer = {cmdReadRecord, uint8_t(k)};
            QVERIFY(SendCommand(cmdReadRecord, buffer, 37, 2));
            QCOMPARE(Bytes(buffer, 37), setup.records[k]);
        }
        QCOMPARE(usb.openCount(), setup.records.size() + 1);
        QCOMPARE(usb.closeCount(), usb.openCount());
    }

    void instrumentFaultsOverUsb_data() {
        QTest::addColumn<SimFaults>("faults");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("opens");
        QTest::newRow("no reply") << SimFaults{.noReply = true} << false << 4;
        QTest::newRow("short reply accepted") << SimFaults{.shortReply = 1} << true << 1;
        QTest::newRow("surplus bytes") << SimFaults{.surplusAfter = "\x01\x02"} << true << 1;
        QTest::newRow("dead link: device gone") << SimFaults{.dieAfter = 0} << false << 1;
    }
    void instrumentFaultsOverUsb() {
        QFETCH(SimFaults, faults);
        QFETCH(bool, result);
        QFETCH(int, opens);
        SimSetup setup;
        setup.faults = faults;
        UsbSim usb(setup);
        CommandBuffer buffer{cmdReadSerial};
        QCOMPARE(SendCommand(cmdReadSerial, buffer, 9, 1), result);
        QCOMPARE(usb.openCount(), opens);
        if (result)
            QCOMPARE(buffer[0], cmdReadSerial);
    }

    void productStringOfTheInstrument() {
        UsbSim usb;
        uint32_t devices = 0;
        QCOMPARE(SI_GetNumDevices(&devices), SI_SUCCESS);
        QCOMPARE(devices, 1u);
        char text[SI_MAX_DEVICE_STRLEN + 1] = {};
        QCOMPARE(SI_GetProductString(0, text, SI_RETURN_SERIAL_NUMBER), SI_SUCCESS);
        QCOMPARE(DeviceTypeFromUsbString(QString::fromLatin1(text)), 1);
    }

private:
    std::shared_ptr<ScriptedBackend> m_bridge;
    std::shared_ptr<UsbBackend> m_previous;
};

QTEST_GUILESS_MAIN(TestUsbExchange)
#include "tst_usb_exchange.moc"
