#pragma once
// Where the program keeps its files. A portable copy (and the demo, and the tests) keeps the
// settings file and the data folder "测试记录" beside its executable. An installed program, whose
// folder its user cannot write, keeps them in the user's own places instead: the settings file in
// the per-user configuration folder, the data folder in the documents folder.
#include <QString>

inline const QString kDataFolderName = QStringLiteral("测试记录");
// The program's name: its folder in the user's configuration folder.
inline const QString kProgramName = QStringLiteral("ohmara");

struct ProgramPlaces {
    QString settingsFile; // full path of SystemFile.ini
    QString dataFolder;   // the data folder "测试记录", no trailing separator (created on demand)
    // Where the settings file is the user's own, the file beside the executable if there is one
    // (an administrator's): read as long as the user has no file yet, which is then written.
    QString settingsSeed;
};

// The places for a program in programDir (with or without a trailing separator), given the
// user's configuration and documents folders. Beside the program when its folder may be written,
// or when the file (the data folder) is already there and may be written; else the user's places.
ProgramPlaces ChooseProgramPlaces(const QString& programDir, const QString& userConfigDir,
                                  const QString& userDocumentsDir);

// The places of this run: ExecutableDir() and the desktop's per-user folders.
ProgramPlaces CurrentProgramPlaces();
