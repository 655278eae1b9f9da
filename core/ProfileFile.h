#pragma once
// A profile (INI) file as the desktop keeps them: "[section]" lines open a section, "key=value"
// lines follow. Sections and keys match without regard to case, existing keys are updated in
// place, and every byte the program does not change stays as it was: other sections, comments,
// line ends, the spelling and quoting of untouched values, a UTF-8 byte-order mark.
//
// The encoding is decided once for the whole file: UTF-8 with a byte-order mark, or when the whole
// file is valid UTF-8 holding at least one multi-byte character; GBK otherwise. Changed values are
// written in the file's own encoding; a new file is GBK with CR LF. A GBK file whose bytes would
// all read as UTF-8 after a change gets the comment line "; 本文件为GBK编码" at its top, whose
// GBK bytes are no UTF-8, so that it reads as GBK the next time too.
//
// Saving writes a temporary file beside the old one and renames it over it, so that a failed
// write never leaves half a file; where the folder refuses new files but the file itself may be
// written, the file is rewritten in place. A file that exists but cannot be read (no rights, not
// a file, larger than kLargestFile) is never written over.
#include "core/Outcome.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QIODevice;

class ProfileFile {
public:
    enum class Encoding { Gbk, Utf8 };
    // Files beyond this size are not read (and therefore never rewritten).
    static constexpr qint64 kLargestFile = qint64(256) << 20;

    explicit ProfileFile(QString path);

    // Reads the file; a missing or unreadable file reads as empty. A missing file is no failure.
    Outcome load();
    // Writes the file; a failure (and the old file untouched where possible) when it cannot be
    // written, or when the last load found a file it could not read.
    Outcome save() const;
    // The same as load and save, without the disk.
    void parse(const QByteArray& data);
    QByteArray toBytes() const;
    Encoding encoding() const { return m_encoding; }

    const QString& path() const { return m_path; }
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // Sets a value; a key whose value already reads as the given one keeps its bytes.
    void setValue(const QString& section, const QString& key, const QString& value);
    // Sets an integer (decimal); a key whose text already reads as that integer keeps its bytes.
    void setInteger(const QString& section, const QString& key, int value);
    // All keys of a section in file order, as written.
    QList<QString> keys(const QString& section) const;

    // Integer text rule of the settings file: decimal, "0x…" or "$…" hexadecimal, else nothing.
    static std::optional<int> parseInteger(const QString& text);

private:
    enum class Kind : uint8_t { Other, Section, Key };
    enum class Store : uint8_t { File, Added };
    // One line: where its bytes lie (without the line end) and which line end followed it.
    struct Line {
        qint64 begin = 0;
        int32_t length = 0;
        uint8_t eol = 0; // bytes of the line end: 0 none, 1 "\n" or "\r", 2 "\r\n"
        bool crOnly = false;
        Kind kind = Kind::Other;
        Store store = Store::File;
    };
    struct SectionLine {
        int line;
        QString name;
    };

    QByteArray lineBytes(const Line& line) const;
    // Whether the file as written needs a GBK comment line to keep reading as GBK.
    bool needsGbkMark() const;
    static QString decodeAs(Encoding encoding, QByteArrayView bytes);
    // A line of keyBytes (or the key encoded with the value), '=' and the value, in an encoding
    // in which it reads back as written.
    QByteArray keyLine(const QByteArray& keyBytes, const QString& key, const QString& value) const;
    Line addLine(const QByteArray& bytes, Kind kind);
    void insertLine(int at, const Line& line);
    // Index of the section line, or -1.
    int findSection(const QString& section) const;
    // Index of the key line within the section starting at sectionLine, or -1.
    int findKey(int sectionLine, const QString& key) const;
    // Index after the last line of the section starting at sectionLine.
    int sectionEnd(int sectionLine) const;
    std::optional<QString> valueAt(int line) const;
    Outcome writeTo(QIODevice& device) const;

    QString m_path;
    QByteArray m_data;  // the bytes as read
    QByteArray m_added; // bytes of lines the program wrote
    qsizetype m_bomLength = 0;
    Encoding m_encoding = Encoding::Gbk;
    Outcome m_lastLoad;
    std::vector<Line> m_lines;
    QList<SectionLine> m_sections; // in line order
};
