#pragma once
// An archive file as another program reads and changes it: an SQLite connection of its own beside
// the program's, closed with the object.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QUuid>
#include <QVariant>

class ArchiveFile {
public:
    explicit ArchiveFile(const QString& fileName)
        : m_name(QStringLiteral("archive-file-") + QUuid::createUuid().toString(QUuid::Id128)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(fileName);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        db.open();
    }
    ~ArchiveFile() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    QSqlQuery query() const { return QSqlQuery(QSqlDatabase::database(m_name, false)); }
    // The first value of the statement's first row, or -1.
    qint64 count(const QString& sql) const {
        QSqlQuery found = query();
        return found.exec(sql) && found.next() ? found.value(0).toLongLong() : -1;
    }

private:
    QString m_name;
};
