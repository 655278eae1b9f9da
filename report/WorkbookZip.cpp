#include "report/WorkbookZip.h"

#include <QFile>
#include <cstring>
#include <zip.h>

namespace {

// Parts are XML. No tag or text of a sheet comes near this length (a cell holds at most 32,767
// characters), while a reader would keep a longer stretch of text whole in memory: a part
// that unpacks into one run of blanks is refused after this many, not after its size limit.
constexpr qint64 kMaxBytesWithoutMarkup = 1024 * 1024;

} // namespace

ZipPartDevice::ZipPartDevice(zip_file* file, qint64 limit) : m_file(file), m_limit(limit) {
    open(QIODevice::ReadOnly);
}

ZipPartDevice::~ZipPartDevice() {
    zip_fclose(m_file);
}

qint64 ZipPartDevice::readData(char* data, qint64 maxSize) {
    if (m_exceeded || m_failed)
        return -1;
    if (m_ended || maxSize <= 0)
        return 0;
    const zip_int64_t got = zip_fread(m_file, data, zip_uint64_t(maxSize));
    if (got < 0) {
        m_failed = true;
        setErrorString(QString::fromUtf8(zip_file_strerror(m_file)));
        return -1;
    }
    if (got == 0)
        m_ended = true;
    m_total += got;
    if (m_total > m_limit) {
        m_exceeded = true;
        setErrorString(QStringLiteral("part unpacks to more than %1 bytes").arg(m_limit));
        return -1;
    }
    const void* lastTag = ::memrchr(data, '<', size_t(got));
    m_sinceTag = lastTag ? data + got - static_cast<const char*>(lastTag) - 1 : m_sinceTag + got;
    if (m_sinceTag > kMaxBytesWithoutMarkup) {
        m_exceeded = true;
        setErrorString(
            QStringLiteral("part holds more than %1 bytes without markup").arg(kMaxBytesWithoutMarkup));
        return -1;
    }
    return got;
}

ZipArchive::ZipArchive(const QString& fileName) {
    int code = 0;
    m_zip = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &code);
    if (!m_zip) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        m_error = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipArchive::contains(const QString& partName) const {
    return m_zip && zip_name_locate(m_zip, partName.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
}

Result<std::unique_ptr<ZipPartDevice>> ZipArchive::openPart(const QString& partName, qint64 limit) const {
    if (!m_zip)
        return Outcome::Failure(m_error);
    const zip_int64_t index = zip_name_locate(m_zip, partName.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0)
        return Outcome::Failure(QStringLiteral("the workbook has no part %1").arg(partName));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        stat.size > zip_uint64_t(limit))
        return Outcome::Failure(
            QStringLiteral("part %1 declares %2 unpacked bytes").arg(partName).arg(stat.size));
    zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file)
        return Outcome::Failure(QString::fromUtf8(zip_strerror(m_zip)));
    return std::make_unique<ZipPartDevice>(file, limit);
}
