#pragma once
// The team server's schema: created and upgraded by the program's own tool, one version at a time,
// all steps of an upgrade in one transaction. Upgrades add (tables, columns with defaults, indexes);
// a step that would break older programs raises the oldest program version that may still sync.
#include "core/Outcome.h"

#include <QSqlDatabase>
#include <QString>

// The newest server schema this program knows.
inline constexpr int kServerSchemaVersion = 3;

struct ServerSchemaState {
    int version = 0;       // 0: not set up
    int oldestProgram = 0; // programs knowing at least this version can sync
    QString error;         // why the state could not be read; empty when it was
};

ServerSchemaState ReadServerSchema(QSqlDatabase& db);

// Whether a program of this version may sync with the server; empty, or why not (in Chinese).
QString ServerCompatibility(const ServerSchemaState& state);

// Brings the server up to kServerSchemaVersion (creating it from nothing). Returns the version
// the server had before; a server newer than the program is left alone (Incompatible), a lost
// connection is Unreachable, any other refusal Refused.
Result<int> UpgradeServerSchema(QSqlDatabase& db);
