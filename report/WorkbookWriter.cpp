#include "report/WorkbookWriter.h"

#include "core/UDataCenter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <filesystem>
#include <xlsxwriter.h>

namespace {

constexpr double kColumnWidth = 9.5;
constexpr double kTimeColumnWidth = 17.5;
constexpr lxw_col_t kTimeColumn = 1;
constexpr lxw_col_t kLastColumn = RecordGrid::ColumnCount - 1;
constexpr uint8_t kTextFormat = 49; // the built-in number format "@": text

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

bool IsHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// A text that itself looks like an escape ("_x0041_") gets its underscore escaped, as spreadsheet
// XML requires, so that readers give the text back instead of the character.
QString EscapeEscapeLookalikes(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool lookalike = text.at(i) == QLatin1Char('_') && i + 6 < text.size() &&
                               text.at(i + 1) == QLatin1Char('x') && IsHexDigit(text.at(i + 2)) &&
                               IsHexDigit(text.at(i + 3)) && IsHexDigit(text.at(i + 4)) &&
                               IsHexDigit(text.at(i + 5)) && text.at(i + 6) == QLatin1Char('_');
        result += lookalike ? QStringLiteral("_x005F_") : QString(text.at(i));
    }
    return result;
}

lxw_error FillSheet(lxw_worksheet* sheet, lxw_format* format, const RecordGrid& grid, int recordCount) {
    for (int row = 0; row <= recordCount; ++row) {
        for (int column = 0; column < RecordGrid::ColumnCount; ++column) {
            const QByteArray text = EscapeEscapeLookalikes(TrimText(grid.cell(column, row))).toUtf8();
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

WorkbookWriteResult WriteRecordWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount,
                                        QString* errorText) {
    QString reason;
    QString& error = errorText ? *errorText : reason;
    const QFileInfo target(fileName);
    QTemporaryFile temporary(target.absolutePath() + QLatin1Char('/') + target.fileName() +
                             QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        error = temporary.errorString();
        return WorkbookWriteResult::Failed;
    }
    temporary.close();
    const QByteArray temporaryName = QFile::encodeName(temporary.fileName());

    lxw_workbook_options options{};
    WorkbookHandle workbook(workbook_new_opt(temporaryName.constData(), &options));
    if (!workbook.get()) {
        error = QStringLiteral("the workbook could not be created");
        return WorkbookWriteResult::NotCreated;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    lxw_format* format = workbook_add_format(workbook.get());
    if (!sheet || !format) {
        error = QStringLiteral("the sheet could not be created");
        return WorkbookWriteResult::Failed;
    }
    format_set_num_format_index(format, kTextFormat);
    format_set_align(format, LXW_ALIGN_CENTER);

    lxw_error written = FormatSheet(sheet, format);
    if (written == LXW_NO_ERROR)
        written = FillSheet(sheet, format, grid, recordCount);
    if (written == LXW_NO_ERROR)
        written = workbook.close();
    if (written != LXW_NO_ERROR) {
        error = ErrorText(written);
        return WorkbookWriteResult::Failed;
    }

    SetFinalPermissions(temporary, fileName);
    std::error_code renamed;
    std::filesystem::rename(std::filesystem::path(temporaryName.toStdString()),
                            std::filesystem::path(QFile::encodeName(fileName).toStdString()), renamed);
    if (renamed) {
        error = QString::fromStdString(renamed.message());
        return WorkbookWriteResult::Failed;
    }
    return WorkbookWriteResult::Written;
}
