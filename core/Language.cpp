#include "core/Language.h"

#include "core/ProfileFile.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <algorithm>
#include <optional>

namespace {

const QString kSection = QStringLiteral("Interface");
const QString kKey = QStringLiteral("Language");
const QString kOption = QStringLiteral("--lang");

UiLanguage g_current = UiLanguage::Chinese;

std::optional<UiLanguage> LanguageNamed(const QString& name) {
    const QString code = name.trimmed().toLower();
    if (code == QLatin1String("en") || code.startsWith(QLatin1String("en_")) ||
        code.startsWith(QLatin1String("en.")) || code.startsWith(QLatin1String("en-")))
        return UiLanguage::English;
    if (code == QLatin1String("zh") || code.startsWith(QLatin1String("zh_")) ||
        code.startsWith(QLatin1String("zh.")) || code.startsWith(QLatin1String("zh-")))
        return UiLanguage::Chinese;
    return std::nullopt;
}

std::optional<UiLanguage> LanguageOption(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == kOption && i + 1 < arguments.size())
            return LanguageNamed(arguments.at(i + 1));
        if (arguments.at(i).startsWith(kOption + QLatin1Char('=')))
            return LanguageNamed(arguments.at(i).mid(kOption.size() + 1));
    }
    return std::nullopt;
}

// POSIX order: the first of LC_ALL, LC_MESSAGES and LANG that is set decides.
std::optional<UiLanguage> EnvironmentLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value == QLatin1String("C") || value == QLatin1String("POSIX") ? std::nullopt
                                                                                  : LanguageNamed(value);
    }
    return std::nullopt;
}

bool Install(const QString& name, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace

UiLanguage ChosenLanguage(const QStringList& arguments, const ProfileFile& settings, bool followEnvironment) {
    if (const auto chosen = LanguageOption(arguments))
        return *chosen;
    if (const auto kept = settings.value(kSection, kKey); kept && LanguageNamed(*kept))
        return *LanguageNamed(*kept);
    if (followEnvironment)
        if (const auto fromLocale = EnvironmentLanguage())
            return *fromLocale;
    return UiLanguage::Chinese;
}

QStringList WithoutLanguageOption(QStringList arguments) {
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments.at(i) == kOption)
            arguments.remove(i, std::min<qsizetype>(2, arguments.size() - i));
        else if (arguments.at(i).startsWith(kOption + QLatin1Char('=')))
            arguments.remove(i);
        else
            ++i;
    }
    return arguments;
}

QString LanguageCode(UiLanguage language) {
    return language == UiLanguage::English ? QStringLiteral("en") : QStringLiteral("zh");
}

bool InstallLanguage(UiLanguage language) {
    g_current = language;
    if (language == UiLanguage::English)
        return Install(QStringLiteral("ohmara_en"), QStringLiteral(":/i18n"));
    return Install(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

UiLanguage CurrentLanguage() {
    return g_current;
}

bool SaveLanguageChoice(UiLanguage language) {
    ProfileFile ini = ReadSettingsFile();
    ini.setValue(kSection, kKey, LanguageCode(language));
    QDir().mkpath(QFileInfo(ini.path()).absolutePath());
    return bool(ini.save());
}
