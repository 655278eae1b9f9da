#include "archive/sync/SyncEngine.h"

#include "archive/RecordArchive.h"
#include "archive/sync/ServerSchema.h"
#include "archive/sync/SyncMessages.h"
#include "archive/sync/SyncSession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
#include <libpq-fe.h>

using SyncDetail::Session;

void SyncCancel::request() {
    m_requested = true;
    const std::lock_guard lock(m_mutex);
    if (m_handle) {
        char error[256];
        PQcancel(static_cast<PGcancel*>(m_handle), error, sizeof error);
    }
}

void SyncCancel::attach(QSqlDatabase& server) {
    const QVariant handle = server.driver()->handle();
    // The driver's libpq connection (its type named by the typedef or by the struct).
    if (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0)
        return;
    PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
    const std::lock_guard lock(m_mutex);
    if (!m_handle && connection)
        m_handle = PQgetCancel(connection);
}

void SyncCancel::detach() {
    const std::lock_guard lock(m_mutex);
    if (m_handle)
        PQfreeCancel(static_cast<PGcancel*>(m_handle));
    m_handle = nullptr;
}

SyncEngine::SyncEngine(QString archivePath, ServerConfig server)
    : m_archivePath(std::move(archivePath)), m_server(std::move(server)) {}

SyncOutcome SyncEngine::run(const Progress& progress, SyncCancel* cancel) {
    if (!m_server.isSet())
        return Outcome::Failure(FailureKind::Invalid, SyncMessages::NoServerNamed(kTeamServerSection));
    if (!QFileInfo(m_archivePath).isFile())
        return Outcome::Failure(FailureKind::Missing, SyncMessages::LocalArchiveMissing(m_archivePath));
    const QString serverName =
        QStringLiteral("ohmara-sync-server-") + QUuid::createUuid().toString(QUuid::Id128);
    SyncOutcome outcome;
    {
        // The sync's own connection to the archive, on its own thread, taking the archive as it is
        // (an older one is upgraded by the program, not by a sync). An archive that cannot be
        // written (made by a newer program, damaged, read-only, busy) is left as it is.
        RecordArchive archive;
        archive.open(m_archivePath, ArchiveOpening::AsItIs);
        if (!archive.writable()) {
            const Outcome failed = archive.writeFailure();
            outcome = Outcome::Failure(failed.kind(), SyncMessages::LocalArchiveUnopened(failed.reason()),
                                       failed.detail());
        } else if (Result<QSqlDatabase> server = OpenServer(m_server, serverName); server.ok()) {
            if (cancel)
                cancel->attach(*server);
            Session session(archive, *server, m_server, m_pageRows, progress, cancel);
            outcome = session.run();
            if (cancel)
                cancel->detach();
            server->close();
        } else {
            outcome = server;
        }
    }
    QSqlDatabase::removeDatabase(serverName);
    return outcome;
}
