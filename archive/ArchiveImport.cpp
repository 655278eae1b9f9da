#include "archive/ArchiveImport.h"

#include "archive/ArchiveMessages.h"
#include "archive/KeyLimits.h"
#include "archive/RecordArchive.h"
#include "core/TestRecord.h"
#include "report/DataFile.h"
#include "report/WorkbookReader.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxDepth = 32;
constexpr int kMaxFiles = 200000;
// A kill loses at most the files of the last second; fewer, larger commits write the indexes
// pages fewer times.
constexpr qint64 kCommitEveryMs = 1000;
// A cancel is looked at this often while a file is read, and between pieces of this many records
// while a large file is stored.
constexpr auto kCancelLook = std::chrono::milliseconds(100);
constexpr size_t kStorePiece = 2000;
QString CancelledReason() {
    return ArchiveMessages::ImportCancelled();
}

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
        return ArchiveMessages::ImportFifo();
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return ArchiveMessages::ImportDevice();
    if (S_ISSOCK(mode))
        return ArchiveMessages::ImportSocket();
    return ArchiveMessages::ImportNotRegular();
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
            skip(path, ArchiveMessages::ImportTooManyFiles(kMaxFiles));
            return;
        }
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
            skip(path, ArchiveMessages::ImportInaccessible(QString::fromLocal8Bit(std::strerror(errno))));
            return;
        }
        QString real = path;
        if (S_ISLNK(st.st_mode)) {
            real = RealPath(path);
            if (real.isEmpty()) {
                skip(path, ArchiveMessages::ImportBrokenLink());
                return;
            }
            if (m_root.isEmpty() || !Inside(real, m_root)) {
                skip(path, ArchiveMessages::ImportLinkOutside());
                return;
            }
            if (::stat(QFile::encodeName(real).constData(), &st) != 0 || S_ISDIR(st.st_mode)) {
                skip(path, ArchiveMessages::ImportLinkToFolder());
                return;
            }
        } else {
            real = RealPath(path);
            if (real.isEmpty() || m_root.isEmpty() || !Inside(real, m_root)) {
                skip(path, ArchiveMessages::ImportOutside());
                return;
            }
        }
        if (S_ISDIR(st.st_mode)) {
            const QPair<quint64, quint64> id(st.st_dev, st.st_ino);
            if (depth > kMaxDepth || m_visited.contains(id)) {
                skip(path, ArchiveMessages::ImportFolderTooDeep());
                return;
            }
            m_visited.insert(id);
            const QDir dir(real);
            const QStringList entries = dir.entryList(
                QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
            if (entries.isEmpty() && !dir.isReadable())
                skip(path, ArchiveMessages::ImportFolderUnreadable());
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

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load();
}

// The file's records, or why not (also when cancel is set meanwhile).
Result<std::vector<TestRecord>> ReadRecords(const QString& path, const std::atomic<bool>* cancel) {
    std::vector<RecordGrid::Row> rows;
    int count = 0;
    if (path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive)) {
        Result<DataFileRecords> read = ReadDataFile(path);
        if (!read)
            return Outcome::Failure(read.kind(), read.reason().simplified(), read.detail());
        rows = std::move(read->rows);
        count = read->recordCount;
    } else {
        Result<WorkbookRecords> workbook = ReadRecordWorkbook(path);
        if (!workbook)
            return Outcome::Failure(FailureKind::Invalid,
                                    ArchiveMessages::ImportNotADataFile(workbook.reason()),
                                    workbook.reason());
        rows = std::move(workbook->rows);
        count = workbook->recordCount;
    }
    std::vector<TestRecord> records;
    records.reserve(size_t(count));
    for (int i = 0; i < count && i < int(rows.size()); ++i) {
        if (i % int(kStorePiece) == 0 && Cancelled(cancel))
            return Outcome::Failure(FailureKind::Cancelled, CancelledReason());
        records.push_back(TestRecord::FromTexts(rows[size_t(i)]));
    }
    return records;
}

// A file is being written when a process holds it open for writing: the kernel refuses a read
// lease then. Only the file's owner (or a privileged process) may take a lease, and not every file
// system grants them; where none can be had, the modification time alone decides.
bool OpenForWriting(int fd) {
    // A writer that opens the file while the lease is held breaks it with a signal: one whose
    // default is to be ignored, so that it cannot end the program.
    if (::fcntl(fd, F_SETSIG, SIGURG) != 0)
        return false;
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        return false;
    }
    return errno == EAGAIN;
}

struct KnownFile {
    qint64 size = 0;
    qint64 modifiedMs = 0;
};

// What reading one file came to.
struct ReadFile {
    enum class Outcome { Records, Unchanged, Skipped };
    Outcome outcome = Outcome::Skipped;
    QString reason;
    qint64 size = 0;
    qint64 modifiedMs = 0;
    qint64 recordCount = 0;
    std::vector<ArchiveRow> rows;
    QStringList refused; // records of the file not taken, each with its number and why
};

ReadFile ReadOne(const QString& path, const std::optional<KnownFile>& known, const ImportOptions& options) {
    ReadFile file;
    if (Cancelled(options.cancel)) {
        file.reason = CancelledReason();
        return file;
    }
    // Opened without following a link and without waiting on a pipe: what is read is the regular
    // file that was listed.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat before {};
    if (fd < 0) {
        file.reason = ArchiveMessages::ImportCannotOpen(QString::fromLocal8Bit(std::strerror(errno)));
        return file;
    }
    const bool typeKnown = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    const bool writing = typeKnown && OpenForWriting(fd);
    ::close(fd);
    if (!typeKnown) {
        file.reason = TypeReason(before.st_mode);
        return file;
    }
    file.size = before.st_size;
    file.modifiedMs = ModifiedMs(before);
    if (file.size > options.maxFileBytes) {
        file.reason = ArchiveMessages::ImportTooLarge(file.size / (1024 * 1024));
        return file;
    }
    if (writing) {
        file.reason = ArchiveMessages::ImportLockedByWriter();
        return file;
    }
    if (QDateTime::currentMSecsSinceEpoch() - file.modifiedMs < options.settleMilliseconds) {
        file.reason = ArchiveMessages::ImportStillWritten();
        return file;
    }
    if (known && known->size == file.size && known->modifiedMs == file.modifiedMs) {
        file.outcome = ReadFile::Outcome::Unchanged;
        return file;
    }
    Result<std::vector<TestRecord>> read = ReadRecords(path, options.cancel);
    if (!read) {
        file.reason = read.reason();
        return file;
    }
    std::vector<TestRecord>& records = *read;
    struct stat after {};
    if (::stat(QFile::encodeName(path).constData(), &after) != 0 || after.st_size != before.st_size ||
        ModifiedMs(after) != file.modifiedMs) {
        file.reason = ArchiveMessages::ImportChangedWhileRead();
        return file;
    }
    // A device number longer than the archive (and the team server) takes is refused here, with
    // its record's number, rather than stopping every later sync.
    {
        std::vector<TestRecord> taken;
        taken.reserve(records.size());
        for (size_t i = 0; i < records.size(); ++i) {
            if (const QString why =
                    KeyTooLong(records[i].device, QCoreApplication::translate("ArchiveImport", "设备编号"));
                !why.isEmpty())
                file.refused << ArchiveMessages::ImportRecordRefused(int(i + 1), why);
            else
                taken.push_back(std::move(records[i]));
        }
        records = std::move(taken);
    }
    // Turned into rows in pieces, so that a cancel is seen in a large file.
    file.rows.reserve(records.size());
    for (size_t at = 0; at < records.size(); at += kStorePiece) {
        if (Cancelled(options.cancel)) {
            file.rows.clear();
            file.reason = CancelledReason();
            return file;
        }
        const auto from = records.begin() + qsizetype(at);
        const std::vector<TestRecord> piece(
            std::make_move_iterator(from),
            std::make_move_iterator(from + qsizetype(std::min(kStorePiece, records.size() - at))));
        for (ArchiveRow& row : RecordArchive::Rows(piece))
            file.rows.push_back(std::move(row));
    }
    file.outcome = ReadFile::Outcome::Records;
    file.recordCount = qint64(records.size());
    return file;
}

// Reads files in order on a thread of its own, a few ahead of the one being stored, so that
// parsing one file and storing the one before share the processors.
class FileReader {
public:
    FileReader(size_t count, std::function<ReadFile(size_t)> read)
        : m_count(count), m_read(std::move(read)), m_thread(QThread::create([this] { run(); })) {
        m_thread->start();
    }
    ~FileReader() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread->wait();
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The next file in order, once it has been read; nothing once cancel is set meanwhile.
    std::optional<ReadFile> next(const std::atomic<bool>* cancel) {
        std::unique_lock lock(m_mutex);
        while (!m_changed.wait_for(lock, kCancelLook, [this] { return !m_ready.empty(); }))
            if (Cancelled(cancel))
                return std::nullopt;
        ReadFile file = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return file;
    }

private:
    static constexpr size_t kAhead = 4;

    void run() {
        for (size_t i = 0; i < m_count; ++i) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stop || m_ready.size() < kAhead; });
                if (m_stop)
                    return;
            }
            ReadFile file = m_read(i);
            {
                const std::lock_guard lock(m_mutex);
                m_ready.push_back(std::move(file));
            }
            m_changed.notify_all();
        }
    }

    const size_t m_count;
    const std::function<ReadFile(size_t)> m_read;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ReadFile> m_ready;
    bool m_stop = false;
    std::unique_ptr<QThread> m_thread; // last: starts once the rest is in place
};

// What earlier imports noted, by key.
QHash<QString, KnownFile> KnownFiles(const RecordArchive& archive) {
    QHash<QString, KnownFile> known;
    QSqlQuery query = archive.statement(ArchiveSql::ImportedFiles);
    if (query.exec())
        while (query.next())
            known.insert(query.value(0).toString(),
                         {query.value(1).toLongLong(), query.value(2).toLongLong()});
    return known;
}

// Each file's key in the list of imported files: its path inside the root, or its whole path.
std::vector<QString> ImportKeys(const std::vector<Candidate>& files, const QString& root) {
    const QDir rootDir(root);
    std::vector<QString> keys;
    keys.reserve(files.size());
    for (const Candidate& file : files)
        keys.push_back(Inside(file.path, root) ? rootDir.relativeFilePath(file.path) : file.path);
    return keys;
}

// An import's open transaction: begun for the first file that brings records, committed every
// kCommitEveryMs; each file is noted in it with its records.
class ImportBatch {
public:
    ImportBatch(RecordArchive& archive, ImportSummary& summary)
        : m_archive(archive), m_summary(summary), m_note(archive.statement(ArchiveSql::NoteImportedFile)) {}

    // False (the summary failed) when the transaction cannot begin.
    bool open() {
        if (m_open)
            return true;
        if (!m_archive.begin()) {
            m_summary.failure = m_archive.writeFailure();
            return false;
        }
        m_open = true;
        m_sinceCommit.start();
        return true;
    }

    // The file is noted as brought in by the same transaction that stores its records; when
    // either fails, the transaction is rolled back and the summary failed.
    bool note(const QString& key, const ReadFile& file, int added) {
        m_note.bindValue(0, key);
        m_note.bindValue(1, file.size);
        m_note.bindValue(2, file.modifiedMs);
        m_note.bindValue(3, file.recordCount);
        if (added < 0 || !m_note.exec()) {
            m_archive.rollback();
            m_open = false;
            m_summary.failure = m_archive.writeFailure();
            return false;
        }
        return true;
    }

    void commitIfDue() {
        if (m_sinceCommit.elapsed() >= kCommitEveryMs)
            finish();
    }

    void finish() {
        if (m_open && !m_archive.commit()) {
            m_summary.failure = m_archive.writeFailure();
        }
        m_open = false;
    }

private:
    RecordArchive& m_archive;
    ImportSummary& m_summary;
    QSqlQuery m_note;
    QElapsedTimer m_sinceCommit;
    bool m_open = false;
};

// Stored in pieces, so that a cancel takes effect inside a large file: what is stored by then
// stays, and the file, not noted, is read again by the next import. The records added (negative
// when the archive failed); `handed` counts the rows given to the archive.
int StoreInPieces(RecordArchive& archive, std::vector<ArchiveRow>& rows, const QString& key,
                  const std::atomic<bool>* cancel, bool& cancelled, size_t& handed) {
    int added = 0;
    for (size_t at = 0; at < rows.size() && added >= 0; at += kStorePiece) {
        if (Cancelled(cancel)) {
            cancelled = true;
            break;
        }
        const auto from = rows.begin() + qsizetype(at);
        const std::vector<ArchiveRow> piece(
            std::make_move_iterator(from),
            std::make_move_iterator(from + qsizetype(std::min(kStorePiece, rows.size() - at))));
        const int stored = archive.storeInOpenTransaction(piece, key);
        added = stored < 0 ? stored : added + stored;
        handed += piece.size();
    }
    return added;
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
            lines << QCoreApplication::translate("ArchiveImport", "……另有 %1 个")
                         .arg(skipped.size() - size_t(maxLines));
            break;
        }
        lines << QCoreApplication::translate("ArchiveImport", "%1：%2")
                     .arg(QDir::toNativeSeparators(skip.path), skip.reason);
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

    const std::vector<QString> keys = ImportKeys(files, walker.root());
    const QHash<QString, KnownFile> known =
        options.onlyChanged ? KnownFiles(archive) : QHash<QString, KnownFile>();

    ImportBatch batch(archive, summary);

    FileReader reader(files.size(), [&](size_t i) {
        const auto found = known.constFind(keys[i]);
        return ReadOne(files[i].path, found == known.cend() ? std::nullopt : std::optional(*found), options);
    });
    for (int i = 0; i < total && summary.failure.ok(); ++i) {
        if (Cancelled(options.cancel)) {
            summary.cancelled = true;
            break;
        }
        const QString& path = files[size_t(i)].path;
        if (options.progress)
            options.progress(i, total, path);
        std::optional<ReadFile> read = reader.next(options.cancel);
        if (!read || Cancelled(options.cancel)) {
            summary.cancelled = true;
            break;
        }
        ReadFile& file = *read;
        for (const QString& refused : file.refused)
            walker.skip(path, refused);
        if (file.outcome == ReadFile::Outcome::Skipped) {
            walker.skip(path, file.reason);
            continue;
        }
        if (file.outcome == ReadFile::Outcome::Unchanged) {
            ++summary.filesUnchanged;
            continue;
        }
        if (!batch.open())
            break;
        size_t handed = 0;
        const int added =
            StoreInPieces(archive, file.rows, keys[size_t(i)], options.cancel, summary.cancelled, handed);
        if (summary.cancelled) {
            summary.recordsRead += qint64(handed);
            summary.recordsAdded += added;
            break;
        }
        if (!batch.note(keys[size_t(i)], file, added))
            break;
        ++summary.filesRead;
        summary.recordsRead += file.recordCount;
        summary.recordsAdded += added;
        batch.commitIfDue();
    }
    batch.finish();
    if (options.progress && !summary.cancelled)
        options.progress(total, total, QString());
    return summary;
}
