#pragma once
// "同步" in the tools menu: synchronises the local archive with the team server named in the
// settings file, on a worker thread, with a progress bar in the status bar's progress panel (under
// the upload's own bar, which stays on top while an upload runs). The window and an instrument
// exchange go on meanwhile; closing the window stops the sync after its current step. With
// "SyncAfterUpload=1" in the settings' [TeamServer] section it also runs after every upload.
#include "archive/sync/SyncRunner.h"

#include <QObject>

class QAction;
class QDialog;
class QProgressBar;
class QWidget;
class TFrmMain;

// "同步记录…": the sync log of the archive, newest first, in a window of its own (closed with it).
QDialog* ShowSyncLog(QWidget* parent);

class SyncControl : public QObject {
    Q_OBJECT
public:
    explicit SyncControl(TFrmMain* window);
    QAction* action() const { return m_action; }
    SyncRunner& runner() { return m_runner; }
    // The local archive's file in the data folder.
    static QString ArchivePath();

private:
    void start();
    // After an upload, when the settings ask for it: no questions, and only a failure other than an
    // unreachable server (a laptop in the field is mostly offline) is told, once per run.
    void startAfterUpload(const QString& source);
    void showProgress(qint64 done, qint64 total);
    void finish(const SyncOutcome& outcome);

    TFrmMain* m_window;
    QAction* m_action;
    QProgressBar* m_progress;
    SyncRunner m_runner;
    ServerConfig m_server;
    bool m_quiet = false;
    bool m_toldQuietFailure = false;
};
