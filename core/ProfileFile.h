#pragma once
// A profile (INI) file as the desktop keeps them: "[section]" lines open a section, "key=value"
// lines follow. Sections and keys match without regard to case, existing keys are updated in
// place, everything else in the file is kept byte for byte. On disk the file is GBK with CR LF;
// saving writes a temporary file beside it and renames it over the old one.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

class ProfileFile {
public:
    explicit ProfileFile(QString path);

    // Reads the file; a missing or unreadable file reads as empty. Returns whether it was read.
    bool load();
    // Writes the file atomically; false (and the old file untouched) when it cannot be written.
    bool save() const;
    // The same as load and save, without the disk.
    void parse(const QByteArray& data);
    QByteArray toBytes() const;

    const QString& path() const { return m_path; }
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    int readInteger(const QString& section, const QString& key, int fallback) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    void setInteger(const QString& section, const QString& key, int value);
    // All keys of a section in file order, as written.
    QList<QString> keys(const QString& section) const;

    // Integer text rule of the settings file: decimal, "0x…" or "$…" hexadecimal, else nothing.
    static std::optional<int> parseInteger(const QString& text);

private:
    struct Line {
        QByteArray raw;
        QString section; // set on section lines
        QString key;     // set on key lines
        QString value;
    };
    // Index of the section line, or -1.
    int findSection(const QString& section) const;
    // Index of the key line within the section starting at sectionLine, or -1.
    int findKey(int sectionLine, const QString& key) const;
    static Line parseLine(const QByteArray& raw);

    QString m_path;
    QList<Line> m_lines;
};
