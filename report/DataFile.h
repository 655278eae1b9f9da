#pragma once
// The test data file: one block of twelve key=value lines per record, GBK text with CR LF line
// ends. The reader recognises a line by the key texts it contains, not by its place in the
// block, so section heads and blank lines are only for people reading the file.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringView>
#include <vector>

// Files above this size, or with more records than this, are refused rather than read into memory.
constexpr qint64 kMaxDataFileBytes = qint64(256) * 1024 * 1024;
constexpr int kMaxDataFileRecords = 1048576;

// The data folder "测试记录" (see core/ProgramPlaces.h; no trailing separator), created when missing;
// a failure to create it is left to the file dialog.
QString EnsureDataFolder();
// The same folder's name, without creating it.
QString DataFolder();

// The folder part of a file name, with its trailing separator: what the file manager is asked to show.
QString FolderOfFile(const QString& fileName);

// The file's bytes for grid rows 1..recordCount, keys taken from row 0; empty for no records.
QByteArray DataFileBytes(const RecordGrid& grid, int recordCount);

// The bytes of a data file that holds `existing` followed by one more block for the record,
// numbered on from the blocks already there. What is there is never read as records: its bytes
// stay as they are where the new block can follow in their encoding, else its text is written
// again, with the block, in one encoding that holds both.
QByteArray DataFileBytesWithRecord(const QByteArray& existing, const RecordGrid::Row& record);

// Writes the file through a temporary file in the same folder that replaces the old one at the end,
// so a failure leaves an older file of that name as it was.
Outcome WriteDataFile(const QString& fileName, const RecordGrid& grid, int recordCount);

// Records read from a data file, ready to be handed to the grid in one go.
struct DataFileRecords {
    std::vector<RecordGrid::Row> rows{1}; // grid rows 1..; the first exists even without records
    int recordCount = 0;
    bool blank = false; // the file holds nothing above code 32: the user is told DataFileBlankMessage()
};

// Stores the value of one key line (after the first "=", untrimmed; the whole line without "=")
// in the given column of the row.
void ParseFieldLine(RecordGrid::Row& row, int column, QStringView line);

// Routes every line by the first key it contains. Text comes in pieces as it is read and decoded;
// a line may span pieces, and CR LF, LF and CR all end a line.
class DataFileParser {
public:
    void feed(QStringView piece);
    // Routes a last line that has no line end.
    void finish();
    // Whether any character above code 32 came by.
    bool sawText() const { return m_sawText; }
    // More records than kMaxDataFileRecords (the surplus ones were not kept) or a line of more than
    // a million characters.
    bool tooLarge() const { return m_tooLarge; }
    DataFileRecords takeRecords() { return std::move(m_records); }

private:
    void route(QStringView line);

    DataFileRecords m_records;
    QString m_partial;
    bool m_sawText = false;
    bool m_tooLarge = false;
};

DataFileRecords ParseDataFileText(QStringView text);

// Reads a data file in slices: a first pass decides the encoding (UTF-8 when the bytes are valid
// UTF-8 beyond plain ASCII, with or without a byte-order mark; UTF-16 when it starts with its
// byte-order mark; GBK otherwise) and whether it is text at all, a second pass decodes and routes.
// A failure's reason names the file and is shown with the caption DataFileErrorCaption().
Result<DataFileRecords> ReadDataFile(const QString& fileName);

inline QString DataFileBlankMessage() {
    return QCoreApplication::translate("DataFile", "指定的文件沒有內容");
}
inline QString DataFileErrorCaption() {
    return QCoreApplication::translate("DataFile", "錯誤");
}
