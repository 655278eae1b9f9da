// The settings-file reader on arbitrary bytes: it must not crash, and what it writes back must
// read back the same.
#include "core/ProfileFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ProfileFile ini(QString{});
    ini.parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const int testTime = ini.readInteger(QStringLiteral("SetParam"), QStringLiteral("iTestTime"), 5);
    const QString user =
        ini.readString(QStringLiteral("RestParam"), QStringLiteral("strTestUser"), QString());
    ini.setInteger(QStringLiteral("Communication"), QStringLiteral("giCommPort"), 7);
    ini.setValue(QStringLiteral("RestParam"), QStringLiteral("strTestAdd"), QStringLiteral("站"));

    ProfileFile again(QString{});
    again.parse(ini.toBytes());
    if (again.readInteger(QStringLiteral("Communication"), QStringLiteral("giCommPort"), 0) != 7)
        std::abort();
    if (again.readString(QStringLiteral("RestParam"), QStringLiteral("strTestAdd"), QString()) !=
        QStringLiteral("站"))
        std::abort();
    if (again.readInteger(QStringLiteral("SetParam"), QStringLiteral("iTestTime"), 5) != testTime)
        std::abort();
    if (again.readString(QStringLiteral("RestParam"), QStringLiteral("strTestUser"), QString()) != user)
        std::abort();
    return 0;
}
