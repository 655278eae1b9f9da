#pragma once
// Bringing files into the program's archive on a worker thread, with a progress dialog and a
// cancel button; the window's thread only shows the progress.
#include "archive/ArchiveImport.h"

class QWidget;

// The files and folders in paths (nothing outside root is read).
ImportSummary RunArchiveImport(QWidget* parent, const QStringList& paths, const QString& root,
                               bool onlyChanged);

// The data folder's new and changed files, before a window shows what the archive holds.
ImportSummary BringInDataFolder(QWidget* parent);

// "读取 N 个文件，新增 M 条记录" and the skipped files with their reasons.
QString ImportSummaryText(const ImportSummary& summary);
