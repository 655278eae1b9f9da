#pragma once
// Resistance limits per device number, in µΩ. They live in SystemFile.ini in the section
// [DeviceLimits] ("device number=limit"), read with the other settings at start and written with
// them at exit, and only when one was set or cleared during the run: a program that never had a
// limit leaves the file exactly as the other settings make it. A cleared limit stays as an empty
// value. Device numbers match without regard to case, as every key of the settings file does.
#include "core/Outcome.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <optional>

class ProfileFile;

inline const QString kDeviceLimitsSection = QStringLiteral("DeviceLimits");

class DeviceLimitStore : public QObject {
    Q_OBJECT
public:
    static DeviceLimitStore& shared();

    // Reads the section from SystemFile.ini; limits set and not yet written are dropped.
    void load();
    // Writes the limits set or cleared since the last load; a success when nothing needed writing.
    Outcome save();
    // Puts those limits into the settings file's contents, to be written with the other settings.
    void writeInto(ProfileFile& ini) const;

    std::optional<double> limit(const QString& device) const;
    // Whether the device number can be a key of the settings file (no "=", brackets or ";", not
    // empty, no blanks at either end).
    static bool canHoldLimit(const QString& device);
    // A limit above 0 sets, nothing clears; false when the device number cannot hold a limit.
    bool setLimit(const QString& device, std::optional<double> microOhms);
    bool empty() const { return m_limits.isEmpty(); }
    // Every limit, by case-folded device number.
    const QHash<QString, double>& all() const { return m_limits; }
    // The text "超过限值 N uΩ" when the resistance text is above the device's limit, else empty.
    QString overLimitText(const QString& device, const QString& resistance) const;

signals:
    void changed();

private:
    explicit DeviceLimitStore(QObject* parent = nullptr);

    QHash<QString, double> m_limits;   // by case-folded device number
    QHash<QString, QString> m_changed; // device number as typed -> value text to write ("" clears)
};
