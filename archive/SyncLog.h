#pragma once
// What the syncs of this archive did ("sync_log"), as the user reads it: this laptop by its user
// and host, the others by the host and user the team server told ("host / user"; the id while
// none is known), the register's fields by their headers.
#include <QString>
#include <vector>

class RecordArchive;

struct SyncLogEntry {
    QString at;      // UTC, ISO 8601
    QString kind;    // "完成", "出错", "被覆盖", "被拒收"
    QString subject; // the server, or the register row or rule
    QString message;
};

// This laptop's name: user@host.
QString LaptopName();

// The newest entries first, at most limit of them.
std::vector<SyncLogEntry> ReadSyncLog(const RecordArchive& archive, int limit);
