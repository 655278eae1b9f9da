#include "archive/TableFile.h"

#include "archive/ArchiveMessages.h"
#include "core/WholeFile.h"
#include "report/CsvWriter.h"
#include "report/SheetText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <filesystem>
#include <xlsxwriter.h>

static_assert(kXlsxMaxRows + 1 == LXW_ROW_MAX);

namespace {

// A file that could not be written: the user's words, the system's or the library's text as a detail.
Outcome FileFailure(const QString& reason, const QString& detail) {
    return Outcome::Failure(FailureKind::Io, reason, detail);
}

// Given up at the caller's request, between two rows: the old file stays.
Outcome Stopped() {
    return Outcome::Failure(FailureKind::Cancelled, {});
}

Outcome WriteCsv(const QString& fileName, const QStringList& headers, const TableRowSource& rows,
                 const std::stop_token& stop) {
    WholeFile file(fileName);
    Outcome written = file.open();
    if (written)
        written = file.write("\xEF\xBB\xBF");
    QString line;
    QStringList cells = headers;
    for (qint64 row = -1; written && (row < 0 || rows(row, &cells)); ++row) {
        line.clear();
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > 0)
                line += QLatin1Char(',');
            AppendCsvField(line, cells.at(c));
        }
        line += QStringLiteral("\r\n");
        written = file.write(line.toUtf8());
        cells.clear();
        if (stop.stop_requested())
            return Stopped();
    }
    if (written)
        written = file.commit();
    if (!written)
        return FileFailure(ArchiveMessages::TableFileNotWritable(written.reason()), written.reason());
    return {};
}

Outcome WriteXlsx(const QString& fileName, const QStringList& headers, const TableRowSource& rows,
                  const std::stop_token& stop) {
    const QFileInfo target(fileName);
    const QString temporary =
        target.absolutePath() + QStringLiteral("/.%1.part").arg(QUuid::createUuid().toString(QUuid::Id128));
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    QByteArray tmpdir = QDir::tempPath().toUtf8();
    options.tmpdir = tmpdir.data();
    const QByteArray name = QFile::encodeName(temporary);
    // A folder that cannot be written is told here, in the user's words, before the library tries.
    if (QFile probe(temporary); !probe.open(QIODevice::WriteOnly))
        return FileFailure(ArchiveMessages::TableFileNotWritable(probe.errorString()), probe.errorString());
    lxw_workbook* workbook = workbook_new_opt(name.constData(), &options);
    if (!workbook) {
        QFile::remove(temporary);
        return FileFailure(ArchiveMessages::WorkbookNotCreated(), {});
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* format = workbook_add_format(workbook);
    format_set_num_format(format, "@");
    lxw_error error = LXW_NO_ERROR;
    QStringList cells = headers;
    bool stopped = false;
    for (qint64 row = -1; error == LXW_NO_ERROR && !stopped && (row < 0 || rows(row, &cells)); ++row) {
        if (row >= kXlsxMaxRows) {
            error = LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE;
            break;
        }
        for (qsizetype c = 0; c < cells.size() && error == LXW_NO_ERROR; ++c)
            error = worksheet_write_string(sheet, lxw_row_t(row + 1), lxw_col_t(c),
                                           XlsxCellText(cells.at(c)).toUtf8().constData(), format);
        cells.clear();
        stopped = stop.stop_requested();
    }
    if (stopped) {
        // Freed without being put together: nothing more is written.
        lxw_workbook_free(workbook);
        QFile::remove(temporary);
        return Stopped();
    }
    const lxw_error closed = workbook_close(workbook);
    if (error == LXW_NO_ERROR)
        error = closed;
    if (error != LXW_NO_ERROR) {
        QFile::remove(temporary);
        const QString detail = QString::fromUtf8(lxw_strerror(error));
        return FileFailure(ArchiveMessages::WorkbookUnfinished(detail), detail);
    }
    if (const Outcome synced = SyncToDisk(temporary); !synced) {
        QFile::remove(temporary);
        return FileFailure(ArchiveMessages::TableFileNotWritable(synced.reason()), synced.reason());
    }
    std::error_code renamed;
    std::filesystem::rename(QFile::encodeName(temporary).toStdString(),
                            QFile::encodeName(fileName).toStdString(), renamed);
    if (renamed) {
        QFile::remove(temporary);
        return FileFailure(ArchiveMessages::TableFileNotRenamed(fileName),
                           QString::fromStdString(renamed.message()));
    }
    return {};
}

} // namespace

bool IsCsvName(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}

Outcome WriteTableFile(const QString& fileName, const QStringList& headers, const TableRowSource& rows,
                       std::stop_token stop) {
    return IsCsvName(fileName) ? WriteCsv(fileName, headers, rows, stop)
                               : WriteXlsx(fileName, headers, rows, stop);
}
