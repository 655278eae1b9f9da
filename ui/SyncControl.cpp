#include "ui/SyncControl.h"

#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "ui/ProgramArchive.h"
#include "ui/UMain.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <utility>

QString SyncControl::ArchivePath() {
    return ProgramArchive::shared().fileName();
}

SyncControl::SyncControl(TFrmMain* window)
    : QObject(window), m_window(window), m_action(new QAction(QStringLiteral("同步"), window->StatusBar1)),
      m_progress(new QProgressBar(window->StatusPanel1)) {
    m_action->setObjectName(QStringLiteral("ActSync"));
    m_action->setStatusTip(QStringLiteral("与记录服务器交换记录、设备台账和判据"));
    connect(m_action, &QAction::triggered, this, [this] {
        m_quiet = false;
        start();
    });
    window->StatusBar1->addAction(m_action);

    m_progress->setObjectName(QStringLiteral("SyncProgress"));
    m_progress->setAccessibleName(QStringLiteral("同步进度"));
    m_progress->setTextVisible(false);
    m_progress->setGeometry(0, 1, 196, 15);
    m_progress->stackUnder(window->PBar);
    m_progress->hide();

    connect(&m_runner, &SyncRunner::progress, this, &SyncControl::showProgress);
    connect(&m_runner, &SyncRunner::finished, this, &SyncControl::finish);
    connect(&ProgramArchive::shared(), &ProgramArchive::recordsStored, this, &SyncControl::startAfterUpload);
}

void SyncControl::startAfterUpload(const QString& source) {
    if (source != QStringLiteral("upload") || m_runner.running())
        return;
    ProfileFile settings(SettingsFilePath());
    static_cast<void>(settings.load()); // a file that cannot be read asks for no sync
    if (!ServerConfig::FromSettings(settings).syncAfterUpload)
        return;
    m_quiet = true;
    start();
}

void SyncControl::start() {
    if (m_runner.running())
        return;
    ProfileFile settings(SettingsFilePath());
    static_cast<void>(settings.load()); // a file that cannot be read holds no server
    const QString password = m_server.password;
    m_server = ServerConfig::FromSettings(settings);
    m_server.password = password; // asked for once in this run, kept in memory only
    // A laptop without an archive yet gets an empty one, to be filled from the server.
    ProgramArchive::shared().archive();
    m_action->setEnabled(false);
    m_progress->setRange(0, 0);
    m_progress->show();
    m_runner.start(ArchivePath(), m_server);
}

void SyncControl::showProgress(qint64 done, qint64 total) {
    // Permille, so that counts beyond an int's range still fit.
    m_progress->setRange(0, 1000);
    m_progress->setValue(total > 0 ? int(done * 1000 / total) : 0);
}

void SyncControl::finish(const SyncOutcome& outcome) {
    m_runner.wait();
    m_progress->hide();
    m_action->setEnabled(true);
    if (m_quiet) {
        if (outcome.status == SyncStatus::ConnectFailed)
            m_server.password.clear();
        const bool expected = outcome.status == SyncStatus::Done || outcome.status == SyncStatus::Cancelled ||
                              outcome.status == SyncStatus::ConnectFailed;
        if (expected || std::exchange(m_toldQuietFailure, true))
            return;
        ShowMessage(outcome.message, kAppTitle, MsgIcon::Warning);
        return;
    }
    if (outcome.status == SyncStatus::ConnectFailed && m_server.password.isEmpty() &&
        outcome.message.contains(QLatin1String("no password supplied"))) {
        bool ok = false;
        const QString password = QInputDialog::getText(
            m_window, QStringLiteral("同步"),
            QStringLiteral("服务器 %1 用户 %2 的密码：").arg(m_server.label(), m_server.user),
            QLineEdit::Password, {}, &ok);
        if (ok && !password.isEmpty()) {
            m_server.password = password;
            start();
            return;
        }
    }
    if (outcome.status == SyncStatus::ConnectFailed)
        m_server.password.clear();
    ShowMessage(outcome.message, kAppTitle,
                outcome.status == SyncStatus::Done ? MsgIcon::Information : MsgIcon::Warning);
}
