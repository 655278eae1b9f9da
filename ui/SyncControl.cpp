#include "ui/SyncControl.h"

#include "archive/ProgramArchive.h"
#include "archive/SyncLog.h"
#include "archive/sync/SyncCommands.h"
#include "core/Platform.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "ui/UMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>
#include <utility>

QString SyncControl::ArchivePath() {
    return ProgramArchive::shared().fileName();
}

SyncControl::SyncControl(TFrmMain* window)
    : QObject(window), m_window(window),
      m_action(new QAction(QCoreApplication::translate("SyncControl", "同步"), window->StatusBar1)),
      m_progress(new QProgressBar(window->StatusPanel1)) {
    m_action->setObjectName(QStringLiteral("ActSync"));
    m_action->setStatusTip(
        QCoreApplication::translate("SyncControl", "与记录服务器交换记录、设备台账和判据"));
    connect(m_action, &QAction::triggered, this, [this] {
        m_quiet = false;
        start();
    });
    window->StatusBar1->addAction(m_action);
    auto* log = new QAction(QCoreApplication::translate("SyncControl", "同步记录…"), window->StatusBar1);
    log->setObjectName(QStringLiteral("ActSyncLog"));
    log->setStatusTip(QCoreApplication::translate("SyncControl", "查看同步的完成、出错和被覆盖的修改"));
    connect(log, &QAction::triggered, this, [this] { ShowSyncLog(m_window); });
    window->StatusBar1->addAction(log);

    m_progress->setObjectName(QStringLiteral("SyncProgress"));
    m_progress->setAccessibleName(QCoreApplication::translate("SyncControl", "同步进度"));
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
    if (!ServerConfig::FromSettings(ReadSettingsFile()).syncAfterUpload)
        return;
    m_quiet = true;
    start();
}

void SyncControl::start() {
    if (m_runner.running())
        return;
    const QString password = m_server.password;
    m_server = ServerConfig::FromSettings(ReadSettingsFile());
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
    const QString message = outcome.ok() ? outcome->message : outcome.reason();
    const FailureKind kind = outcome.kind();
    // A typed password is kept for the syncs that follow only while it lets the laptop in; a sync
    // broken off after the login keeps it.
    const bool notLetIn = kind == FailureKind::NeedsPassword || kind == FailureKind::Refused ||
                          kind == FailureKind::Unreachable || kind == FailureKind::Incompatible;
    if (m_quiet) {
        if (notLetIn)
            m_server.password.clear();
        // An unreachable server is a laptop's everyday state in the field; a refused login is not.
        const bool expected =
            outcome.ok() || kind == FailureKind::Cancelled || kind == FailureKind::Unreachable;
        if (expected || std::exchange(m_toldQuietFailure, true))
            return;
        ShowMessage(message, AppTitle(), MsgIcon::Warning);
        return;
    }
    if (kind == FailureKind::NeedsPassword && m_server.password.isEmpty()) {
        bool ok = false;
        const QString password =
            QInputDialog::getText(m_window, QCoreApplication::translate("SyncControl", "同步"),
                                  QCoreApplication::translate("SyncControl", "服务器 %1 用户 %2 的密码：")
                                      .arg(m_server.label(), m_server.user),
                                  QLineEdit::Password, {}, &ok);
        if (ok && !password.isEmpty()) {
            m_server.password = password;
            start();
            return;
        }
    }
    if (notLetIn)
        m_server.password.clear();
    ShowMessage(message, AppTitle(), outcome.ok() ? MsgIcon::Information : MsgIcon::Warning);
}

QDialog* ShowSyncLog(QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("DlgSyncLog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(
        QCoreApplication::translate("SyncControl", "同步记录 — 本机 %1").arg(LaptopName()));
    auto* model = new QStandardItemModel(0, 4, dialog);
    model->setObjectName(QStringLiteral("SyncLogModel"));
    model->setHorizontalHeaderLabels({QCoreApplication::translate("SyncControl", "时间（UTC）"),
                                      QCoreApplication::translate("SyncControl", "结果"),
                                      QCoreApplication::translate("SyncControl", "对象"),
                                      QCoreApplication::translate("SyncControl", "说明")});
    if (RecordArchive* archive = ProgramArchive::shared().existingArchive(); archive && archive->readable()) {
        for (const SyncLogEntry& entry : ReadSyncLog(*archive, 1000)) {
            QList<QStandardItem*> row;
            for (const QString& text : {entry.at, entry.kind, entry.subject, entry.message}) {
                row << new QStandardItem(text);
                row.back()->setEditable(false);
            }
            model->appendRow(row);
        }
    }
    auto* view = new QTableView(dialog);
    view->setModel(model);
    view->setAccessibleName(QCoreApplication::translate("SyncControl", "同步记录"));
    view->setWordWrap(true);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->hide();
    view->resizeColumnsToContents();
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(view);
    dialog->resize(900, 420);
    dialog->show();
    return dialog;
}
