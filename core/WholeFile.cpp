#include "core/WholeFile.h"

#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

bool OpenWholeFile(QSaveFile& file) {
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool WriteFully(QIODevice& device, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}

bool CommitWholeFile(QSaveFile& file, QString* reason) {
    const int fd = file.handle();
    if (fd >= 0 && ::fdatasync(fd) != 0 && errno != EINVAL) {
        if (reason)
            *reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (file.commit())
        return true;
    if (reason)
        *reason = file.errorString();
    return false;
}
