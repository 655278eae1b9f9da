#pragma once
// An emulated 10C4:EA61 USB bridge under umockdev for the libusb backend test: sysfs entries with
// hand-written descriptors, and an ioctl handler (running on umockdev's own thread) that answers
// the usbfs requests libusb makes: claims, control transfers (string descriptors, the bridge's
// vendor requests), bulk transfers carried to and from the virtual instrument, URB reaping, and
// the cancellation of a read that timed out. Include it before any Qt header: umockdev's GLib
// headers use "signals" as a member name.
#include <umockdev.h>

#include "sim/VirtualInstrument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <linux/usbdevice_fs.h>
#include <memory>
#include <mutex>
#include <sys/ioctl.h>

namespace usbmock {

inline const char* const kDevNode = "/dev/bus/usb/001/002";
inline const QString kSerial = QStringLiteral("OH-qmvr-7");
inline const QString kProduct = QStringLiteral("Loop Resistance Tester");

// Device, configuration, interface 0 (vendor class) and its bulk OUT 0x01 / IN 0x82 endpoints.
inline const uint8_t kDescriptors[] = {
    18, 1, 0x00, 0x02, 0,    0, 0,  64, 0xC4, 0x10, 0x61, 0xEA, 0x00, 0x01, 1, 2,    3,
    1,  9, 2,    32,   0,    1, 1,  0,  0x80, 50,   9,    4,    0,    0,    2, 0xFF, 0,
    0,  2, 7,    5,    0x01, 2, 64, 0,  0,    7,    5,    0x82, 2,    64,   0, 0,
};

inline QByteArray StringDescriptor(int index) {
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
inline bool Preloaded() {
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

} // namespace usbmock
