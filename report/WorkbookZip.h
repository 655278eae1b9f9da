#pragma once
// The zip container of an .xlsx workbook, read part by part. A part is read as a stream that
// refuses to unpack more than a given number of bytes, so a small archive cannot unpack into a
// huge part.
#include "core/Outcome.h"

#include <QIODevice>
#include <QString>
#include <memory>

struct zip;
struct zip_file;

class ZipPartDevice : public QIODevice {
    Q_OBJECT
public:
    ZipPartDevice(zip_file* file, qint64 limit);
    ~ZipPartDevice() override;
    bool isSequential() const override { return true; }
    // The part unpacked to more than the limit allowed, or into a run without markup far longer
    // than any text of a workbook.
    bool exceeded() const { return m_exceeded; }
    // The archive could not deliver the part's data (damaged, wrong checksum).
    bool failed() const { return m_failed; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    zip_file* m_file;
    qint64 m_limit;
    qint64 m_total = 0;
    qint64 m_sinceTag = 0; // bytes since the last '<'
    bool m_exceeded = false;
    bool m_failed = false;
    bool m_ended = false;
};

class ZipArchive {
public:
    explicit ZipArchive(const QString& fileName);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const QString& errorString() const { return m_error; }
    // Part names match without regard to case, as package part names do.
    bool contains(const QString& partName) const;
    // The named part, opened for reading; a failure when it is missing or declares more than limit
    // unpacked bytes.
    Result<std::unique_ptr<ZipPartDevice>> openPart(const QString& partName, qint64 limit) const;

private:
    zip* m_zip = nullptr;
    QString m_error;
};
