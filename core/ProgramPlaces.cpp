#include "core/ProgramPlaces.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace {

// Whether this process may write the path (root included: a read-only mount refuses it too).
bool MayWrite(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString WithoutSeparator(QString dir) {
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

} // namespace

ProgramPlaces ChooseProgramPlaces(const QString& programDir, const QString& userConfigDir,
                                  const QString& userDocumentsDir) {
    const QString program = WithoutSeparator(programDir);
    const bool folderWritable = MayWrite(program);
    const QString besideSettings = program + QLatin1Char('/') + kSettingsFileName;
    const QString besideData = program + QLatin1Char('/') + kDataFolderName;
    ProgramPlaces places;
    places.settingsFile = folderWritable || (QFileInfo(besideSettings).isFile() && MayWrite(besideSettings))
                              ? besideSettings
                              : WithoutSeparator(userConfigDir) + QLatin1Char('/') + kSettingsFileName;
    if (places.settingsFile != besideSettings && QFileInfo(besideSettings).isFile())
        places.settingsSeed = besideSettings;
    places.dataFolder = folderWritable || (QFileInfo(besideData).isDir() && MayWrite(besideData))
                            ? besideData
                            : WithoutSeparator(userDocumentsDir) + QLatin1Char('/') + kDataFolderName;
    return places;
}

ProgramPlaces CurrentProgramPlaces() {
    // The program's folder whichever executable asks (ohmara, or ohmara-archive beside it).
    return ChooseProgramPlaces(ExecutableDir(),
                               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                   QLatin1Char('/') + kProgramName,
                               QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}
