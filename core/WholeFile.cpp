#include "core/WholeFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// Removes the temporary file at once (a cancelled commit removes it and fails).
void Discard(QSaveFile& file) {
    file.cancelWriting();
    static_cast<void>(file.commit());
}

} // namespace

WholeFile::WholeFile(const QString& fileName) : m_file(fileName) {}

WholeFile::~WholeFile() {
    cancel();
}

void WholeFile::allowWritingInPlace() {
    m_file.setDirectWriteFallback(true);
}

Outcome WholeFile::open() {
    m_open = m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!m_open)
        return Outcome::Failure(m_file.errorString());
    m_device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

Outcome WholeFile::write(QByteArrayView bytes) {
    if (!m_written)
        return m_written;
    m_written = WriteFully(m_file, bytes);
    return m_written;
}

qint64 WholeFile::Device::writeData(const char* data, qint64 size) {
    m_pending.append(data, size);
    if (m_pending.size() >= kDevicePiece)
        if (!flush())
            return -1;
    return size;
}

Outcome WholeFile::Device::flush() {
    Outcome written = m_whole.write(m_pending);
    m_pending.clear();
    if (!written)
        setErrorString(written.reason());
    return written;
}

Outcome WholeFile::commit() {
    if (m_device.isOpen())
        static_cast<void>(m_device.flush()); // a failure stays in m_written
    if (!m_written) {
        cancel();
        return m_written;
    }
    m_open = false;
    const int fd = m_file.handle();
    if (fd >= 0 && ::fdatasync(fd) != 0 && errno != EINVAL) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        Discard(m_file);
        return Outcome::Failure(reason);
    }
    if (m_file.commit())
        return {};
    return Outcome::Failure(m_file.errorString());
}

void WholeFile::cancel() {
    m_device.close();
    if (!m_open)
        return;
    m_open = false;
    Discard(m_file);
}

Outcome WriteFully(QIODevice& device, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return Outcome::Failure(device.errorString());
        bytes = bytes.sliced(written);
    }
    return {};
}

Outcome SyncToDisk(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Failure(file.errorString());
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL)
        return Outcome::Failure(QString::fromLocal8Bit(std::strerror(errno)));
    return {};
}

Outcome WriteWholeFile(const QString& fileName, QByteArrayView bytes) {
    WholeFile file(fileName);
    Outcome written = file.open();
    if (written)
        written = file.write(bytes);
    if (written)
        written = file.commit();
    return written;
}
