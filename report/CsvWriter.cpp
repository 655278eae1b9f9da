#include "report/CsvWriter.h"

#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/SheetText.h"

namespace {

const QByteArray kByteOrderMark = "\xEF\xBB\xBF";

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

void AppendCsvField(QString& out, const QString& text) {
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
