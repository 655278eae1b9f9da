#include "report/CsvWriter.h"

#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/SheetText.h"

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";
const QString kFormulaStarts = QStringLiteral("=+-@\t\r");

// Whether the text, past its leading apostrophes, begins the way a formula does.
bool FormulaLike(const QString& text) {
    qsizetype at = 0;
    while (at < text.size() && text.at(at) == QLatin1Char('\''))
        ++at;
    return at < text.size() && kFormulaStarts.contains(text.at(at));
}

} // namespace

QByteArray CsvBytes(const RecordGrid& grid, int recordCount) {
    QString text;
    const int rows = std::max(0, recordCount) + 1;
    text.reserve(qsizetype(rows) * 96);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < RecordGrid::ColumnCount; ++column) {
            if (column > 0)
                text += QLatin1Char(',');
            AppendCsvField(text, WithoutLoneSurrogates(TrimText(grid.cell(column, row))));
        }
        text += QStringLiteral("\r\n");
    }
    return kByteOrderMark + text.toUtf8();
}

Outcome WriteCsvFile(const QString& fileName, const RecordGrid& grid, int recordCount) {
    return WriteWholeFile(fileName, CsvBytes(grid, recordCount));
}

QString CsvSafeText(const QString& text) {
    return FormulaLike(text) ? QLatin1Char('\'') + text : text;
}

QString CsvCellText(const QString& field) {
    return field.startsWith(QLatin1Char('\'')) && FormulaLike(field) ? field.mid(1) : field;
}

void AppendCsvField(QString& out, const QString& field) {
    const QString text = CsvSafeText(field);
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
                        text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!quoted) {
        out += text;
        return;
    }
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}
