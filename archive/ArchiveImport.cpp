#include "archive/ArchiveImport.h"

#include "archive/RecordArchive.h"
#include "core/TestRecord.h"
#include "report/DataFile.h"
#include "report/WorkbookReader.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxDepth = 32;
constexpr int kMaxFiles = 200000;
constexpr qint64 kCommitEveryMs = 250;

struct Candidate {
    QString path; // the real path of a regular file inside the root
    bool named = false;
};

QString RealPath(const QString& path) {
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), resolved))
        return {};
    return QFile::decodeName(resolved);
}

bool Inside(const QString& path, const QString& root) {
    return path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

QString TypeReason(mode_t mode) {
    if (S_ISFIFO(mode))
        return QStringLiteral("是命名管道，不是文件，未读取");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("是设备文件，未读取");
    if (S_ISSOCK(mode))
        return QStringLiteral("是套接字，未读取");
    return QStringLiteral("不是普通文件，未读取");
}

qint64 ModifiedMs(const struct stat& st) {
    return qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
}

class Walker {
public:
    Walker(const QString& root, std::vector<ImportSkip>* skipped)
        : m_root(RealPath(root)), m_skipped(skipped) {}

    void add(const QString& path, bool named, int depth) {
        if (m_files.size() >= size_t(kMaxFiles)) {
            skip(path, QStringLiteral("文件数超过 %1，未读取").arg(kMaxFiles));
            return;
        }
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            skip(path, QStringLiteral("无法访问（%1）").arg(QString::fromLocal8Bit(std::strerror(errno))));
            return;
        }
        QString real = path;
        if (S_ISLNK(st.st_mode)) {
            real = RealPath(path);
            if (real.isEmpty()) {
                skip(path, QStringLiteral("链接断开或成环，未跟随"));
                return;
            }
            if (m_root.isEmpty() || !Inside(real, m_root)) {
                skip(path, QStringLiteral("链接指向文件夹之外，未读取"));
                return;
            }
            if (::stat(QFile::encodeName(real).constData(), &st) != 0 || S_ISDIR(st.st_mode)) {
                skip(path, QStringLiteral("链接指向文件夹，未跟随"));
                return;
            }
        } else {
            real = RealPath(path);
            if (real.isEmpty() || m_root.isEmpty() || !Inside(real, m_root)) {
                skip(path, QStringLiteral("位于文件夹之外，未读取"));
                return;
            }
        }
        if (S_ISDIR(st.st_mode)) {
            const QPair<quint64, quint64> id(st.st_dev, st.st_ino);
            if (depth > kMaxDepth || m_visited.contains(id)) {
                skip(path, QStringLiteral("文件夹层次过深或重复，未进入"));
                return;
            }
            m_visited.insert(id);
            const QDir dir(real);
            const QStringList entries = dir.entryList(
                QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
            if (entries.isEmpty() && !dir.isReadable())
                skip(path, QStringLiteral("文件夹无法读取"));
            for (const QString& entry : entries)
                add(dir.filePath(entry), false, depth + 1);
            return;
        }
        if (!named && !IsImportableName(path))
            return;
        if (!S_ISREG(st.st_mode)) {
            skip(path, TypeReason(st.st_mode));
            return;
        }
        m_files.push_back({real, named});
    }

    void skip(const QString& path, const QString& reason) { m_skipped->push_back({path, reason}); }
    std::vector<Candidate>& files() { return m_files; }
    const QString& root() const { return m_root; }

private:
    QString m_root;
    std::vector<ImportSkip>* m_skipped;
    std::vector<Candidate> m_files;
    QSet<QPair<quint64, quint64>> m_visited;
};

// The file's records, or false with the reason.
bool ReadRecords(const QString& path, std::vector<TestRecord>* records, QString* reason) {
    std::vector<RecordGrid::Row> rows;
    int count = 0;
    if (path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
        Result<DataFileRecords> read = ReadDataFile(path);
        if (!read) {
            *reason = read.reason().simplified();
            return false;
        }
        rows = std::move(read->rows);
        count = read->recordCount;
    } else {
        Result<WorkbookRecords> workbook = ReadRecordWorkbook(path);
        if (!workbook) {
            *reason = QStringLiteral("不是可读的数据文件或工作簿（%1）").arg(workbook.reason());
            return false;
        }
        rows = std::move(workbook->rows);
        count = workbook->recordCount;
    }
    records->reserve(size_t(count));
    for (int i = 0; i < count && i < int(rows.size()); ++i)
        records->push_back(TestRecord::FromTexts(rows[size_t(i)]));
    return true;
}

} // namespace

bool IsImportableName(const QString& fileName) {
    // Data files are ".txt" exactly, as the data-file route names them; workbooks in any case.
    return fileName.endsWith(QStringLiteral(".txt")) ||
           fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ||
           fileName.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive) ||
           fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

QString SkippedText(const std::vector<ImportSkip>& skipped, int maxLines) {
    QStringList lines;
    for (const ImportSkip& skip : skipped) {
        if (lines.size() == maxLines) {
            lines << QStringLiteral("……另有 %1 个").arg(skipped.size() - size_t(maxLines));
            break;
        }
        lines << QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(skip.path), skip.reason);
    }
    return lines.join(QLatin1Char('\n'));
}

ImportSummary ImportFiles(RecordArchive& archive, const QStringList& paths, const ImportOptions& options) {
    ImportSummary summary;
    Walker walker(options.root, &summary.skipped);
    for (const QString& path : paths)
        walker.add(QDir::cleanPath(QDir(options.root).absoluteFilePath(path)), !QFileInfo(path).isDir(), 0);
    const std::vector<Candidate>& files = walker.files();
    const int total = int(files.size());

    QSqlQuery known(archive.database());
    known.prepare(QStringLiteral("SELECT size, mtime_ms FROM imported_files WHERE path = ?"));
    QSqlQuery note(archive.database());
    note.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO imported_files (path, size, mtime_ms, records) VALUES (?, ?, ?, ?)"));
    const QDir rootDir(walker.root());
    QElapsedTimer sinceCommit;
    bool open = false;
    auto finishBatch = [&] {
        if (open && !archive.commit()) {
            summary.failed = true;
            summary.problem = archive.problem();
        }
        open = false;
    };

    for (int i = 0; i < total && !summary.failed; ++i) {
        if (options.cancel && options.cancel->load()) {
            summary.cancelled = true;
            break;
        }
        const QString& path = files[size_t(i)].path;
        if (options.progress)
            options.progress(i, total, path);
        const QString key = Inside(path, walker.root()) ? rootDir.relativeFilePath(path) : path;
        // Opened without following a link and without waiting on a pipe: what is read is the
        // regular file that was listed.
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        struct stat before {};
        if (fd < 0 || ::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            walker.skip(
                path, fd < 0
                          ? QStringLiteral("无法打开（%1）").arg(QString::fromLocal8Bit(std::strerror(errno)))
                          : TypeReason(before.st_mode));
            continue;
        }
        ::close(fd);
        if (before.st_size > options.maxFileBytes) {
            walker.skip(path, QStringLiteral("文件过大（%1 MB），不是测试记录，未读取")
                                  .arg(before.st_size / (1024 * 1024)));
            continue;
        }
        if (QDateTime::currentMSecsSinceEpoch() - ModifiedMs(before) < options.settleMilliseconds) {
            walker.skip(path, QStringLiteral("文件正在写入，下次再导入"));
            continue;
        }
        if (options.onlyChanged) {
            known.bindValue(0, key);
            if (known.exec() && known.next() && known.value(0).toLongLong() == before.st_size &&
                known.value(1).toLongLong() == ModifiedMs(before)) {
                ++summary.filesUnchanged;
                continue;
            }
        }
        std::vector<TestRecord> records;
        QString reason;
        if (!ReadRecords(path, &records, &reason)) {
            walker.skip(path, reason);
            continue;
        }
        struct stat after {};
        if (::stat(QFile::encodeName(path).constData(), &after) != 0 || after.st_size != before.st_size ||
            ModifiedMs(after) != ModifiedMs(before)) {
            walker.skip(path, QStringLiteral("文件在读取时被改动，下次再导入"));
            continue;
        }
        if (!open) {
            if (!archive.begin()) {
                summary.failed = true;
                summary.problem = archive.problem();
                break;
            }
            open = true;
            sinceCommit.start();
        }
        const int added = archive.storeInOpenTransaction(records, key);
        note.addBindValue(key);
        note.addBindValue(qint64(before.st_size));
        note.addBindValue(ModifiedMs(before));
        note.addBindValue(qint64(records.size()));
        if (added < 0 || !note.exec()) {
            archive.rollback();
            open = false;
            summary.failed = true;
            summary.problem = archive.problem();
            break;
        }
        ++summary.filesRead;
        summary.recordsRead += qint64(records.size());
        summary.recordsAdded += added;
        if (sinceCommit.elapsed() >= kCommitEveryMs)
            finishBatch();
    }
    finishBatch();
    if (options.progress && !summary.cancelled)
        options.progress(total, total, QString());
    return summary;
}
