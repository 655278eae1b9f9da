#include "report/CsvWriter.h"

#include "core/UDataCenter.h"
#include "report/SheetText.h"

#include <QSaveFile>

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

bool WriteCsvFile(const QString& fileName, const RecordGrid& grid, int recordCount, QString* errorText) {
    const QByteArray bytes = CsvBytes(grid, recordCount);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
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
