#pragma once
// Writing a file whole through QSaveFile: a temporary file beside it replaces the old one only
// once every byte has reached the disk. The file is opened unbuffered, so a write the system
// refuses (a full disk) fails where it happens instead of vanishing in a buffer flushed at close;
// a short write is tried again so that its real reason is known; the data is flushed to the disk
// before the rename. Any failure leaves the old file as it was.
#include "core/Outcome.h"

#include <QByteArrayView>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

class WholeFile {
public:
    explicit WholeFile(const QString& fileName);
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;
    // A file not committed is given up: the old one stays.
    ~WholeFile();

    // Where the folder refuses the temporary file but the file itself may be written, the file is
    // rewritten in place instead.
    void allowWritingInPlace();
    Outcome open();
    Outcome write(QByteArrayView bytes);
    // The file for writers that take a device. Their writes are gathered in pieces of
    // kDevicePiece bytes and go through write(): one that cannot be made whole (a writer may give
    // up after a short one without a word) makes commit() fail.
    QIODevice& device() { return m_device; }
    // Flushes the data to the disk and puts the file in place; on failure the temporary file is gone.
    Outcome commit();
    void cancel();

private:
    static constexpr qsizetype kDevicePiece = 64 * 1024;
    class Device : public QIODevice {
    public:
        explicit Device(WholeFile& file) : m_whole(file) {}
        Outcome flush();

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 size) override;

    private:
        WholeFile& m_whole;
        QByteArray m_pending;
    };

    QSaveFile m_file;
    Device m_device{*this};
    Outcome m_written; // the first write that failed
    bool m_open = false;
};

// Writes all bytes; a failure with the device's reason when it took fewer.
Outcome WriteFully(QIODevice& device, QByteArrayView bytes);

// The whole file in one go.
Outcome WriteWholeFile(const QString& fileName, QByteArrayView bytes);

// Flushes the data of a file another writer has closed to the disk, before it is renamed into place.
Outcome SyncToDisk(const QString& fileName);
