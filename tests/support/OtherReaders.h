#pragma once
// Files as other programs read them: Debian's Python with xlrd, openpyxl and its csv module, and
// LibreOffice converting headless with a profile of its own. Each returns nothing when the program
// is missing or fails; tests then skip with the reason.
#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

namespace OtherReaders {

inline constexpr auto kPythonTimeout = std::chrono::seconds(120);
inline constexpr auto kOfficeTimeout = std::chrono::seconds(300);
inline const QString kPython = QStringLiteral("/usr/bin/python3");

inline std::optional<QByteArray> Run(const QString& program, const QStringList& arguments,
                                     std::chrono::milliseconds timeout, QString* errorText = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(int(timeout.count())) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (errorText)
            *errorText = QString::fromUtf8(process.readAllStandardError());
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// Whether Debian's Python can import the module.
inline bool HasPythonModule(const QString& module) {
    return Run(kPython, {QStringLiteral("-c"), QStringLiteral("import ") + module}, kPythonTimeout)
        .has_value();
}

// Runs a Python script that prints one JSON document.
inline std::optional<QJsonDocument> PythonJson(const QString& script, const QStringList& arguments,
                                               QString* errorText = nullptr) {
    const auto out =
        Run(kPython, QStringList{QStringLiteral("-c"), script} + arguments, kPythonTimeout, errorText);
    if (!out)
        return std::nullopt;
    QJsonParseError parsed;
    QJsonDocument document = QJsonDocument::fromJson(*out, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        if (errorText)
            *errorText = parsed.errorString() + QStringLiteral(": ") + QString::fromUtf8(out->left(400));
        return std::nullopt;
    }
    return document;
}

inline bool HasOffice() {
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

// Converts each file with LibreOffice to comma-separated UTF-8 text in outDir (same base name,
// ".csv"); inFilter, when given, sets the import filter and its options.
inline bool OfficeToCsv(const QStringList& files, const QString& outDir, const QString& inFilter = {},
                        QString* errorText = nullptr) {
    QTemporaryDir profile;
    QStringList arguments{QStringLiteral("-env:UserInstallation=file://") + profile.path(),
                          QStringLiteral("--headless"), QStringLiteral("--norestore")};
    if (!inFilter.isEmpty())
        arguments << QStringLiteral("--infilter=") + inFilter;
    arguments << QStringLiteral("--convert-to") << QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76")
              << QStringLiteral("--outdir") << outDir << files;
    return Run(QStringLiteral("soffice"), arguments, kOfficeTimeout, errorText).has_value();
}

// The rows of a comma-separated file as Python's csv module reads them (UTF-8, byte-order mark
// skipped).
inline const QString kCsvRowsScript =
    QStringLiteral("import csv, json, sys\n"
                   "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                   "    print(json.dumps(list(csv.reader(f))))\n");

// The cell values of the first sheet as xlrd reads them, and the formatting it reports.
inline const QString kXlrdScript = QStringLiteral(
    "import json, sys, xlrd\n"
    "book = xlrd.open_workbook(sys.argv[1], formatting_info=True)\n"
    "sheet = book.sheet_by_index(0)\n"
    "rows = [[sheet.cell_value(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]\n"
    "types = sorted({sheet.cell_type(r, c) for r in range(sheet.nrows) for c in range(sheet.ncols)})\n"
    "xfs = sorted({sheet.cell_xf_index(r, c) for r in range(sheet.nrows) for c in range(sheet.ncols)})\n"
    "columns = [[sheet.colinfo_map[c].width, sheet.colinfo_map[c].xf_index] if c in sheet.colinfo_map "
    "else None for c in range(256)]\n"
    "formats = {str(i): [book.format_map[book.xf_list[i].format_key].format_str, "
    "book.xf_list[i].alignment.hor_align] for i in xfs + [c[1] for c in columns if c]}\n"
    "print(json.dumps({'rows': rows, 'types': types, 'xfs': xfs, 'columns': columns, 'formats': "
    "formats}))\n");

// The values of the active sheet as openpyxl reads them (empty cells as empty texts).
inline const QString kOpenpyxlScript =
    QStringLiteral("import json, sys, openpyxl\n"
                   "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
                   "print(json.dumps([['' if v is None else v for v in row] for row in "
                   "sheet.iter_rows(values_only=True)]))\n");

} // namespace OtherReaders
