// The libusb bridge backend driving an emulated 10C4:EA61 device under umockdev. The device's
// ioctl handler answers the usbfs requests libusb makes and puts the virtual instrument behind
// the bulk endpoints. The test re-runs itself under umockdev-wrapper when started directly.
// umockdev's GLib headers come before any Qt header: they use "signals" as a member name.
#include <umockdev.h>

#include "core/UDataCenter.h"
#include "link/LibusbBackend.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "sim/VirtualInstrument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cerrno>
#include <cstddef>
#include <deque>
#include <linux/usbdevice_fs.h>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const char* const kDevNode = "/dev/bus/usb/001/002";
const QString kSerial = QStringLiteral("OH-qmvr-7");
const QString kProduct = QStringLiteral("Loop Resistance Tester");

// Device, configuration, interface 0 (vendor class) and its bulk OUT 0x01 / IN 0x82 endpoints.
const uint8_t kDescriptors[] = {
    18, 1, 0x00, 0x02, 0,    0, 0,  64, 0xC4, 0x10, 0x61, 0xEA, 0x00, 0x01, 1, 2,    3,
    1,  9, 2,    32,   0,    1, 1,  0,  0x80, 50,   9,    4,    0,    0,    2, 0xFF, 0,
    0,  2, 7,    5,    0x01, 2, 64, 0,  0,    7,    5,    0x82, 2,    64,   0, 0,
};

QByteArray StringDescriptor(int index) {
    if (index == 0)
        return QByteArray("\x04\x03\x09\x04", 4);
    const QString text = index == 3 ? kSerial : index == 2 ? kProduct : QStringLiteral("Maker");
    QByteArray d(2, '\0');
    d[0] = char(2 + 2 * text.size());
    d[1] = 3;
    for (QChar c : text) {
        d.append(char(c.unicode() & 0xFF));
        d.append(char(c.unicode() >> 8));
    }
    return d;
}

// Whether umockdev's preload library is in this process (umockdev-wrapper puts it there).
bool Preloaded() {
    return qgetenv("LD_PRELOAD").contains("libumockdev-preload");
}

// Answers the usbfs ioctls of one emulated device on umockdev's thread.
class MockBridge {
public:
    explicit MockBridge(std::shared_ptr<VirtualInstrument> instrument) : m_instrument(std::move(instrument)) {
        m_testbed = umockdev_testbed_new();
        m_handler = umockdev_ioctl_base_new();
        g_signal_connect(m_handler, "handle-ioctl", G_CALLBACK(&MockBridge::onIoctl), this);
        GError* error = nullptr;
        // The handler goes on first: the device node is created as an emulated one.
        umockdev_testbed_attach_ioctl(m_testbed, kDevNode, m_handler, &error);
        g_clear_error(&error);
        gchar* sys = umockdev_testbed_add_device(
            m_testbed, "usb", "1-1", nullptr, "dev", "189:1\n", "idVendor", "10c4\n", "idProduct", "ea61\n",
            "busnum", "1\n", "devnum", "2\n", "speed", "12\n", "bConfigurationValue", "1\n", nullptr,
            "DEVNAME", kDevNode, "DEVTYPE", "usb_device", "BUSNUM", "001", "DEVNUM", "002", nullptr);
        umockdev_testbed_set_attribute_binary(m_testbed, sys, "descriptors",
                                              const_cast<uint8_t*>(kDescriptors), sizeof kDescriptors);
        g_free(sys);
        // The node itself, holding the descriptors as usbfs nodes do; opening it connects to the handler.
        gchar* root = umockdev_testbed_get_root_dir(m_testbed);
        const QString node = QString::fromLocal8Bit(root) + QLatin1String(kDevNode);
        g_free(root);
        QDir().mkpath(QFileInfo(node).path());
        QFile file(node);
        m_ok = file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char*>(kDescriptors),
                                                             sizeof kDescriptors) == sizeof kDescriptors;
    }
    ~MockBridge() {
        g_object_unref(m_handler);
        g_object_unref(m_testbed);
    }

    bool ok() const { return m_ok; }
    QStringList log() const {
        std::lock_guard lock(m_mutex);
        return m_log;
    }
    void clearLog() {
        std::lock_guard lock(m_mutex);
        m_log.clear();
    }

private:
    // A submitted URB by its address in the client, and what it completes with.
    struct Urb {
        gulong address = 0;
        int status = 0;
        QByteArray data;  // bytes the device returns
        int offset = 0;   // where they go in the URB's buffer (8 for control transfers)
        int capacity = 0; // room for them
        int actualLength = 0;
    };

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        static_cast<MockBridge*>(self)->handle(client);
        return TRUE;
    }

    void note(const QString& line) { m_log << line; }

    // The unsigned int the argument points to.
    static unsigned PointedValue(UMockdevIoctlData* arg) {
        GError* error = nullptr;
        UMockdevIoctlData* value = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), &error);
        const unsigned v = value ? *reinterpret_cast<unsigned*>(value->data) : 0;
        if (value)
            g_object_unref(value);
        g_clear_error(&error);
        return v;
    }

    void handle(UMockdevIoctlClient* client) {
        std::lock_guard lock(m_mutex);
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            GError* error = nullptr;
            UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), &error);
            *reinterpret_cast<uint32_t*>(caps->data) =
                USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_ZERO_PACKET;
            umockdev_ioctl_client_complete(client, 0, 0);
            g_object_unref(caps);
            return;
        }
        case USBDEVFS_DISCONNECT_CLAIM:
        case USBDEVFS_CLAIMINTERFACE:
            note(QString::asprintf("claim %u", PointedValue(arg)));
            break;
        case USBDEVFS_RELEASEINTERFACE:
            note(QString::asprintf("release %u", PointedValue(arg)));
            break;
        case USBDEVFS_CLEAR_HALT:
            note(QString::asprintf("clear-halt %02x", PointedValue(arg)));
            break;
        case USBDEVFS_GETDRIVER:
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return;
        case USBDEVFS_SUBMITURB:
            submit(arg);
            break;
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB:
            if (!reap(arg)) {
                umockdev_ioctl_client_complete(client, -1, EAGAIN);
                return;
            }
            break;
        case USBDEVFS_DISCARDURB:
            if (!discard(*reinterpret_cast<gulong*>(arg->data))) {
                umockdev_ioctl_client_complete(client, -1, EINVAL);
                return;
            }
            break;
        default:
            note(QString::asprintf("ioctl %lx", request));
        }
        umockdev_ioctl_client_complete(client, 0, 0);
    }

    void submit(UMockdevIoctlData* arg) {
        GError* error = nullptr;
        Urb u;
        u.address = *reinterpret_cast<gulong*>(arg->data); // before resolving makes it a local pointer
        UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), &error);
        const usbdevfs_urb urb = *reinterpret_cast<usbdevfs_urb*>(urbData->data);
        u.capacity = urb.buffer_length;
        if (urb.type == USBDEVFS_URB_TYPE_CONTROL) {
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                                    size_t(urb.buffer_length), &error);
            const uint8_t* setup = buffer->data;
            const int value = setup[2] | setup[3] << 8;
            if (setup[0] == 0x80 && setup[1] == 6 && value >> 8 == 3) {
                u.data = StringDescriptor(value & 0xFF).left(setup[6] | setup[7] << 8);
                u.offset = 8;
            } else {
                note(QString::asprintf("control %02x %02x %04x", setup[0], setup[1], value));
            }
            u.actualLength = int(u.data.size());
            g_object_unref(buffer);
            m_done.push_back(u);
        } else if (!(urb.endpoint & 0x80)) {
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                                    size_t(urb.buffer_length), &error);
            const QByteArray bytes(reinterpret_cast<const char*>(buffer->data), urb.buffer_length);
            g_object_unref(buffer);
            note(QStringLiteral("bulk-out %1").arg(QString::fromLatin1(bytes.toHex())));
            const SimResponse r = m_instrument->respond(bytes);
            if (!r.stray.isEmpty())
                m_packets.push_back(r.stray);
            if (!(r.reply + r.surplus).isEmpty())
                m_packets.push_back(r.reply + r.surplus);
            u.actualLength = urb.buffer_length;
            m_done.push_back(u);
        } else {
            m_pendingIn.push_back(u);
            deliver();
        }
        g_object_unref(urbData);
    }

    void deliver() {
        while (!m_pendingIn.empty() && !m_packets.empty()) {
            Urb u = m_pendingIn.front();
            m_pendingIn.pop_front();
            u.data = m_packets.front().left(u.capacity);
            u.actualLength = int(u.data.size());
            m_packets.pop_front();
            m_done.push_back(u);
        }
    }

    // Hands the oldest finished URB back: its address into the caller's pointer, then its status,
    // length and data into the URB itself.
    bool reap(UMockdevIoctlData* arg) {
        if (m_done.empty())
            return false;
        const Urb u = m_done.front();
        m_done.pop_front();
        GError* error = nullptr;
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(gulong), &error);
        *reinterpret_cast<gulong*>(pointer->data) = u.address;
        UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(pointer, 0, sizeof(usbdevfs_urb), &error);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
        urb->status = u.status;
        urb->actual_length = u.actualLength;
        if (!u.data.isEmpty()) {
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer),
                                                                    size_t(urb->buffer_length), &error);
            std::memcpy(buffer->data + u.offset, u.data.constData(), size_t(u.data.size()));
            g_object_unref(buffer);
        }
        g_object_unref(urbData);
        g_object_unref(pointer);
        return true;
    }

    // A read that timed out: libusb cancels its URB, which is then reaped as cancelled.
    bool discard(gulong address) {
        note(QStringLiteral("discard"));
        for (auto it = m_pendingIn.begin(); it != m_pendingIn.end(); ++it) {
            if (it->address == address) {
                Urb u = *it;
                u.status = -ENOENT;
                m_pendingIn.erase(it);
                m_done.push_back(u);
                return true;
            }
        }
        return false;
    }

    std::shared_ptr<VirtualInstrument> m_instrument;
    UMockdevTestbed* m_testbed = nullptr;
    UMockdevIoctlBase* m_handler = nullptr;
    bool m_ok = false;
    mutable std::mutex m_mutex;
    QStringList m_log;
    std::deque<QByteArray> m_packets;
    std::deque<Urb> m_pendingIn;
    std::deque<Urb> m_done;
};

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
        execvp("umockdev-wrapper", args.data());
        qputenv("OHMARA_NO_UMOCKDEV", "1"); // no wrapper: the tests skip
    }
    QCoreApplication app(argc, argv);
    TestUsbLibusb test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_usb_libusb.moc"
