#include "history/DeviceLimits.h"

#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"

namespace {

QString KeyOf(const QString& device) {
    return device.toCaseFolded();
}

} // namespace

DeviceLimitStore::DeviceLimitStore(QObject* parent) : QObject(parent) {}

DeviceLimitStore& DeviceLimitStore::shared() {
    static DeviceLimitStore store;
    return store;
}

void DeviceLimitStore::load() {
    const ProfileFile ini = ReadSettingsFile();
    m_limits.clear();
    m_changed.clear();
    for (const QString& device : ini.keys(kDeviceLimitsSection)) {
        bool ok = false;
        const double value = ini.readString(kDeviceLimitsSection, device, {}).trimmed().toDouble(&ok);
        if (ok && value > 0)
            m_limits.insert(KeyOf(device), value);
    }
    emit changed();
}

Outcome DeviceLimitStore::save() {
    if (m_changed.isEmpty())
        return {};
    ProfileFile ini = ReadSettingsFile();
    // A settings file that could not be read is never written; the settings' own save has said so.
    if (!ini.lastLoad())
        return ini.lastLoad();
    const QByteArray before = ini.toBytes();
    writeInto(ini);
    if (ini.toBytes() == before) {
        m_changed.clear();
        return {};
    }
    if (Outcome saved = ini.save(); !saved) {
        ShowMessage(QStringLiteral("Unable to write to %1").arg(ini.path()), kAppTitle, MsgIcon::Error);
        return saved;
    }
    m_changed.clear();
    return {};
}

void DeviceLimitStore::writeInto(ProfileFile& ini) const {
    for (auto it = m_changed.cbegin(); it != m_changed.cend(); ++it) {
        // A limit cleared that the file never held leaves the file alone.
        if (it.value().isEmpty() && !ini.value(kDeviceLimitsSection, it.key()))
            continue;
        ini.setValue(kDeviceLimitsSection, it.key(), it.value());
    }
}

std::optional<double> DeviceLimitStore::limit(const QString& device) const {
    const auto it = m_limits.constFind(KeyOf(device.trimmed()));
    if (it == m_limits.cend())
        return std::nullopt;
    return *it;
}

bool DeviceLimitStore::canHoldLimit(const QString& device) {
    static const QString forbidden = QStringLiteral("=[];");
    if (device.isEmpty() || device.trimmed() != device)
        return false;
    for (const QChar c : device) {
        if (forbidden.contains(c) || c.unicode() < 32)
            return false;
    }
    return true;
}

bool DeviceLimitStore::setLimit(const QString& device, std::optional<double> microOhms) {
    if (!canHoldLimit(device) || (microOhms && !(*microOhms > 0)))
        return false;
    // A device spelt with other capitals elsewhere in the file is the same key there.
    for (auto it = m_changed.begin(); it != m_changed.end();) {
        if (KeyOf(it.key()) == KeyOf(device))
            it = m_changed.erase(it);
        else
            ++it;
    }
    if (microOhms) {
        m_limits.insert(KeyOf(device), *microOhms);
        m_changed.insert(device, MicroOhmText(*microOhms));
    } else {
        m_limits.remove(KeyOf(device));
        m_changed.insert(device, QString());
    }
    emit changed();
    return true;
}

QString DeviceLimitStore::overLimitText(const QString& device, const QString& resistance) const {
    if (m_limits.isEmpty())
        return {};
    const std::optional<double> max = limit(device);
    if (!max)
        return {};
    const std::optional<double> value = ResistanceMicroOhms(resistance);
    if (!value || *value <= *max)
        return {};
    return QStringLiteral("超过限值 %1 uΩ").arg(MicroOhmText(*max));
}
