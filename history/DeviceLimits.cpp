#include "history/DeviceLimits.h"

#include "core/ProfileFile.h"

#include <cmath>

std::vector<std::pair<QString, QString>> SettingsFileLimits(const ProfileFile& ini) {
    std::vector<std::pair<QString, QString>> limits;
    for (const QString& device : ini.keys(kDeviceLimitsSection)) {
        const QString text = ini.readString(kDeviceLimitsSection, device, {}).trimmed();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (ok && value > 0 && std::isfinite(value) && !device.trimmed().isEmpty())
            limits.emplace_back(device.trimmed(), text);
    }
    return limits;
}
