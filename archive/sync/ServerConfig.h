#pragma once
// Where the team server is, by the keywords libpq users know: host, port, dbname, user, sslmode,
// sslrootcert, sslcert, sslkey, application_name, connect_timeout. Kept in the settings file's own
// [TeamServer] section (which nothing writes on its own; the user or an administrator adds it). A password is
// never kept there: libpq finds it in ~/.pgpass (or PGPASSFILE), and a program may hand one in from the
// desktop keychain or a prompt.
#include "core/Outcome.h"

#include <QString>
#include <chrono>
#include <optional>

class QSqlDatabase;

class ProfileFile;

inline const QString kTeamServerSection = QStringLiteral("TeamServer");

struct ServerConfig {
    QString host;
    int port = 0; // 0: libpq's default (PGPORT or 5432)
    QString database;
    QString user;
    QString sslMode;     // disable, allow, prefer, require, verify-ca, verify-full; empty: libpq's default
    QString sslRootCert; // the certificate authority's file for verify-ca / verify-full
    QString sslCert;     // a client certificate and its key, where the server asks for one
    QString sslKey;
    QString applicationName{QStringLiteral("ohmara")}; // the session's name in pg_stat_activity
    QString password;                                  // held for one connection only, never written anywhere
    std::chrono::seconds connectTimeout{10};
    // How long a sync waits for a lock on the server (another writer's open transaction, an
    // administrator's LOCK TABLE) before it gives up.
    std::chrono::seconds lockTimeout{30};
    bool syncAfterUpload = false; // SyncAfterUpload=1: the program syncs on its own after each upload

    // Whether a server is named at all (a host or a database).
    bool isSet() const { return !host.isEmpty() || !database.isEmpty(); }
    // host:port/database, the server's name in the local archive's sync state.
    QString label() const;

    static ServerConfig FromSettings(const ProfileFile& settings);
    // "host=h port=5432 dbname=d user=u sslmode=require" (values may be quoted as libpq quotes
    // them) or a postgresql:// URI; nothing when the text does not read.
    static std::optional<ServerConfig> FromConnectionText(const QString& text);
};

// Opens a Qt SQL connection of the given name to the server, with the session in UTC. On failure
// the connection is removed again, and the server is asked once more (ProbeServer) for the kind:
// Unreachable, NeedsPassword, Refused (the login or the right to connect) or Incompatible (no such
// database); the reason in Chinese for the user, the driver's text as the detail.
Result<QSqlDatabase> OpenServer(const ServerConfig& config, const QString& connectionName);

// Why a connection cannot be made, from the server's SQLSTATE or libpq's own state, never from
// the words of a message (which follow the server's and the client's language).
enum class ConnectFailure {
    None,          // the connection can be made
    Unreachable,   // no answer, the network, or the server busy or starting: try again later
    NeedsPassword, // the server asks for a password and none was found
    LoginRefused,  // wrong password, unknown user, or a pg_hba.conf rule refused it
    NoDatabase,    // the database does not exist (3D000)
    NoRight,       // the user may not connect to the database (42501)
};
struct ConnectProbe {
    ConnectFailure failure = ConnectFailure::None;
    QString sqlState; // the server's code, when it answered with one
};
// The failure's kind for a connection that could not be made, and the failure told in the user's
// words after the driver's message (empty when there is nothing to add).
FailureKind ConnectFailureKind(ConnectFailure failure);
QString ConnectFailureText(ConnectFailure failure);
// Whether a step the server refused with this SQLSTATE is worth trying again later (the network,
// a timeout or the server's load stopped it; no code at all: the connection went).
bool TransientServerState(const QString& sqlState);

// Connects once with libpq directly (the Qt driver keeps no code of a failed login) and tells why
// it failed; closes the connection again.
ConnectProbe ProbeServer(const ServerConfig& config);
