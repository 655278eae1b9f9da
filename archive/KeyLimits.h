#pragma once
// The longest device number, station and bay the archive takes (texts that are keys or indexed,
// here and on the team server). The team server keeps the same limit, and its indexes hold it in
// any script; the instrument's own field is far shorter.
#include <QCoreApplication>
#include <QString>

inline constexpr int kMaxKeyChars = 256;

// Why a key text is too long for the archive (in Chinese, naming what), or nothing.
inline QString KeyTooLong(const QString& text, const QString& what) {
    if (text.size() <= kMaxKeyChars)
        return {};
    return QCoreApplication::translate("KeyLimits", "%1有 %2 个字符，超过上限 %3 个")
        .arg(what)
        .arg(text.size())
        .arg(kMaxKeyChars);
}
