#pragma once
// The file readers take a path: fuzz inputs go through one scratch file in shared memory.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <unistd.h>

inline QString WriteFuzzFile(const uint8_t* data, size_t size, const char* suffix) {
    const QString path = QStringLiteral("/dev/shm/ohmara-fuzz-%1%2").arg(getpid()).arg(QLatin1String(suffix));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
