#pragma once
// Reading one XML part of an .xlsx package: a pull reader over the unpacked stream that refuses
// document type declarations, plus the small text rules of spreadsheet XML.
#include "core/Outcome.h"

#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <cstdint>
#include <memory>

class ZipArchive;
class ZipPartDevice;

class XmlPart {
public:
    XmlPart(const ZipArchive& zip, const QString& partName, qint64 limit);
    ~XmlPart();
    XmlPart(const XmlPart&) = delete;
    XmlPart& operator=(const XmlPart&) = delete;

    // Moves to the next token; false at the end of the part or on an error.
    bool next();
    bool isStart(QStringView localName) const {
        return m_reader.isStartElement() && m_reader.name() == localName;
    }
    QXmlStreamReader& reader() { return m_reader; }
    // Whether the part was read without error so far.
    Outcome finish() const;

private:
    QString m_partName;
    Outcome m_opened;
    std::unique_ptr<ZipPartDevice> m_device;
    QXmlStreamReader m_reader;
};

// The text of a string item (<si> or <is>, the reader standing on its start): the <t> texts of
// the item and of its rich-text runs, without phonetic runs (<rPh>). Leaves the reader on its end.
QString ReadRichText(XmlPart& xml);

// Undoes the _xHHHH_ escapes that spreadsheet XML uses for characters XML cannot hold.
QString UnescapeOoxml(const QString& text);

// "C12" gives column 3 and row 12; false for anything that is not a cell inside the sheet limits.
bool ParseCellReference(QStringView reference, int* column, uint32_t* row);
