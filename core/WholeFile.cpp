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
    return m_open ? Outcome() : Outcome::Failure(m_file.errorString());
}

Outcome WholeFile::write(QByteArrayView bytes) {
    return WriteFully(m_file, bytes);
}

Outcome WholeFile::commit() {
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
