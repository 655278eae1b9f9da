#pragma once
// The language of the program's texts. The texts are written in Chinese, which is the default; the
// English translation is compiled into the program. The choice is kept in the settings file
// ([Interface] Language=en or zh) and can be given for one run with "--lang en" or "--lang zh".
#include <QString>
#include <QStringList>

class ProfileFile;

enum class UiLanguage { Chinese, English };

// "--lang X" or "--lang=X" among the arguments, else the settings file's choice, else (where
// followEnvironment, as for the command-line tool) LC_ALL, LC_MESSAGES or LANG naming English
// ("en", "en_GB.UTF-8", ...), else Chinese. Unknown names count as no choice.
UiLanguage ChosenLanguage(const QStringList& arguments, const ProfileFile& settings, bool followEnvironment);
// The arguments without "--lang X" / "--lang=X".
QStringList WithoutLanguageOption(QStringList arguments);
// The language as the settings file keeps it ("en", "zh").
QString LanguageCode(UiLanguage language);
// Installs the translators for the language: the program's English texts, or for Chinese Qt's own
// Chinese texts (qtbase_zh_CN from Qt's translations folder), so that standard buttons and dialogs
// speak the same language as the program. False when a translation could not be loaded.
// Call once, after the application object exists.
bool InstallLanguage(UiLanguage language);
// The language installed last (Chinese before any).
UiLanguage CurrentLanguage();
// Writes the choice to the settings file; it applies from the next start.
bool SaveLanguageChoice(UiLanguage language);
