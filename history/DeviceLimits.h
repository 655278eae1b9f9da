#pragma once
// Resistance limits per device number as earlier versions kept them: SystemFile.ini, section
// [DeviceLimits], "device number=limit" in µΩ. The asset register holds the limits now; the
// section is read to move them there once, and is never written again.
#include <QString>
#include <utility>
#include <vector>

class ProfileFile;

inline const QString kDeviceLimitsSection = QStringLiteral("DeviceLimits");

// The section's limits that are numbers above 0, device numbers and limits as written.
std::vector<std::pair<QString, QString>> SettingsFileLimits(const ProfileFile& ini);
