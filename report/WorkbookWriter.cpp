#include "report/WorkbookWriter.h"

#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/CsvWriter.h"
#include "report/SheetText.h"
#include "report/XlsWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <xlsxwriter.h>

namespace {

constexpr double kColumnWidth = 9.5;
constexpr double kTimeColumnWidth = 17.5;
constexpr lxw_col_t kTimeColumn = 1;
constexpr lxw_col_t kLastColumn = LXW_COL_MAX - 1; // the whole sheet carries the text format
constexpr uint8_t kTextFormat = 49;                // the built-in number format "@": text

// Owns a workbook until it is closed; a workbook given up half-way is freed without writing.
class WorkbookHandle {
public:
    explicit WorkbookHandle(lxw_workbook* workbook) : m_workbook(workbook) {}
    ~WorkbookHandle() {
        if (m_workbook)
            lxw_workbook_free(m_workbook);
    }
    WorkbookHandle(const WorkbookHandle&) = delete;
    WorkbookHandle& operator=(const WorkbookHandle&) = delete;
    lxw_workbook* get() const { return m_workbook; }
    lxw_error close() {
        lxw_workbook* workbook = m_workbook;
        m_workbook = nullptr;
        return workbook_close(workbook);
    }

private:
    lxw_workbook* m_workbook;
};

QString ErrorText(lxw_error error) {
    return QString::fromUtf8(lxw_strerror(error));
}

// The sheet formatting comes before any value, so every value lands in a text cell.
lxw_error FormatSheet(lxw_worksheet* sheet, lxw_format* format) {
    lxw_error error = worksheet_set_column(sheet, 0, 0, kColumnWidth, format);
    if (error == LXW_NO_ERROR)
        error = worksheet_set_column(sheet, kTimeColumn, kTimeColumn, kTimeColumnWidth, format);
    if (error == LXW_NO_ERROR)
        error = worksheet_set_column(sheet, kTimeColumn + 1, kLastColumn, kColumnWidth, format);
    return error;
}

lxw_error FillSheet(lxw_worksheet* sheet, lxw_format* format, const RecordGrid& grid, int recordCount) {
    for (int row = 0; row <= recordCount; ++row) {
        for (int column = 0; column < RecordGrid::ColumnCount; ++column) {
            const QByteArray text = XlsxCellText(TrimText(grid.cell(column, row))).toUtf8();
            const lxw_error error =
                worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), text.constData(), format);
            if (error != LXW_NO_ERROR)
                return error;
        }
    }
    return LXW_NO_ERROR;
}

// The new file takes the permissions of the file it replaces, or the usual ones of a new file.
void SetFinalPermissions(QFile& written, const QString& target) {
    const QFileInfo old(target);
    written.setPermissions(old.exists() ? old.permissions()
                                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

} // namespace

WorkbookFormat WorkbookFormatOf(const QString& fileName) {
    if (fileName.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return WorkbookFormat::Xls;
    if (fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return WorkbookFormat::Csv;
    return WorkbookFormat::Xlsx;
}

Outcome CanMakeWorkbook(const QString& fileName) {
    if (WorkbookFormatOf(fileName) != WorkbookFormat::Xlsx)
        return {};
    lxw_workbook_options options{};
    // Nothing reaches the disk before the workbook is closed; this one is freed unwritten.
    const WorkbookHandle workbook(workbook_new_opt(QFile::encodeName(fileName).constData(), &options));
    return workbook.get() ? Outcome() : Outcome::Failure(QStringLiteral("the workbook could not be created"));
}

Outcome WriteRecordWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount) {
    switch (WorkbookFormatOf(fileName)) {
    case WorkbookFormat::Xls:
        return WriteXlsWorkbook(fileName, grid, recordCount);
    case WorkbookFormat::Csv:
        return WriteCsvFile(fileName, grid, recordCount);
    case WorkbookFormat::Xlsx:
        break;
    }
    const QFileInfo target(fileName);
    QTemporaryFile temporary(target.absolutePath() + QLatin1Char('/') + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        return Outcome::Failure(temporary.errorString());
    temporary.close();
    const QByteArray temporaryName = QFile::encodeName(temporary.fileName());

    lxw_workbook_options options{};
    WorkbookHandle workbook(workbook_new_opt(temporaryName.constData(), &options));
    if (!workbook.get())
        return Outcome::Failure(QStringLiteral("the workbook could not be created"));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    lxw_format* format = workbook_add_format(workbook.get());
    if (!sheet || !format)
        return Outcome::Failure(QStringLiteral("the sheet could not be created"));
    format_set_num_format_index(format, kTextFormat);
    format_set_align(format, LXW_ALIGN_CENTER);

    lxw_error written = FormatSheet(sheet, format);
    if (written == LXW_NO_ERROR)
        written = FillSheet(sheet, format, grid, recordCount);
    // The column formats reach the last sheet column, but the sheet's dimension names the cells
    // written, as a spreadsheet program's own files do.
    sheet->dim_colmax = RecordGrid::ColumnCount - 1;
    if (written == LXW_NO_ERROR)
        written = workbook.close();
    if (written != LXW_NO_ERROR)
        return Outcome::Failure(ErrorText(written));

    SetFinalPermissions(temporary, fileName);
    if (Outcome synced = SyncToDisk(temporary.fileName()); !synced)
        return synced;
    std::error_code renamed;
    std::filesystem::rename(std::filesystem::path(temporaryName.toStdString()),
                            std::filesystem::path(QFile::encodeName(fileName).toStdString()), renamed);
    if (renamed)
        return Outcome::Failure(QString::fromStdString(renamed.message()));
    return {};
}
