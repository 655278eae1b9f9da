// Comma-separated values read as a sheet: every line a sheet row, every field a text cell. Quoted
// fields may hold commas, doubled quotes and line breaks. The text is UTF-8 when it starts with
// its byte-order mark or is valid UTF-8, UTF-16 after its byte-order mark, and otherwise the
// Chinese code page spreadsheet programs save comma-separated files in. The apostrophe the
// program's own writer puts before a text that looks like a formula is taken off again.
#include "report/WorkbookReader.h"

#include "core/GbkText.h"
#include "report/CsvWriter.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString DecodeCsv(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf16))
            .decode(bytes);
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Gbk::decode(bytes);
}

class CsvRows {
public:
    CsvRows(SheetCells* cells, int columns) : m_cells(cells), m_columns(columns) {}
    void endField() {
        if (m_column <= m_columns)
            m_cells->addText(m_row, m_column, CsvCellText(m_field));
        m_field.clear();
        ++m_column;
    }
    void endRow() {
        endField();
        m_cells->noteCell(m_row);
        ++m_row;
        m_column = 1;
    }
    void add(QChar c) { m_field += c; }
    uint32_t row() const { return m_row; }

private:
    SheetCells* m_cells;
    int m_columns;
    QString m_field;
    uint32_t m_row = 1;
    int m_column = 1;
};

} // namespace

Outcome ReadCsvCells(const QString& fileName, const WorkbookLimits& limits, SheetCells* cells) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Failure(file.errorString());
    if (file.size() > limits.maxSheetBytes)
        return Outcome::Failure(QStringLiteral("the file is larger than %1 bytes").arg(limits.maxSheetBytes));
    const QString text = DecodeCsv(file.readAll());
    CsvRows rows(cells, limits.columns);
    bool quoted = false;
    bool pending = false; // a row has begun that no line end has closed yet
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (rows.row() > kSheetMaxRows)
            return Outcome::Failure(QStringLiteral("more rows than a sheet holds"));
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                rows.add(c);
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                rows.add(c);
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted = true;
            pending = true;
        } else if (c == QLatin1Char(',')) {
            rows.endField();
            pending = true;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            rows.endRow();
            pending = false;
        } else {
            rows.add(c);
            pending = true;
        }
    }
    if (pending)
        rows.endRow();
    return {};
}
