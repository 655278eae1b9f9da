#include "history/DeviceLimits.h"

#include "core/ProfileFile.h"

#include <cmath>

std::vector<std::pair<QString, double>> SettingsFileLimits(const ProfileFile& ini) {
    std::vector<std::pair<QString, double>> limits;
    for (const QString& device : ini.keys(kDeviceLimitsSection)) {
        bool ok = false;
        const double value = ini.readString(kDeviceLimitsSection, device, {}).trimmed().toDouble(&ok);
        if (ok && value > 0 && std::isfinite(value) && !device.trimmed().isEmpty())
            limits.emplace_back(device.trimmed(), value);
    }
    return limits;
}
