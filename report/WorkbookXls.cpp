// The legacy .xls side of the workbook reader. The .xls library reads stray memory on some hostile
// files, so it never runs in this process: the ohmara-xls tool (report/tools/XlsCellsTool.cpp) reads
// the first sheet in a child process under memory and processor limits, and its output is parsed
// here with every figure checked. A crash, a time-out, a refusal or malformed output refuses the file.
#include "report/WorkbookReader.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <chrono>
#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
#define OHMARA_XLS_TOOL_HAS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define OHMARA_XLS_TOOL_HAS_ASAN 1
#endif
#endif

namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kToolTimeout = 30s;
constexpr rlim_t kToolMemoryBytes = rlim_t(1) << 30;
constexpr rlim_t kToolCpuSeconds = 30;
constexpr qint64 kMaxOutputBytes = qint64(512) << 20;
constexpr qsizetype kMaxReasonBytes = 1024;
constexpr QByteArrayView kHeaderLine = "ohmara-xls 1";

QString ProgramFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

// Runs in the child between fork and exec: only async-signal-safe calls.
void LimitChild() {
#ifndef OHMARA_XLS_TOOL_HAS_ASAN
    // An address-sanitized build reserves far more address space than any limit would allow.
    const rlimit memory{kToolMemoryBytes, kToolMemoryBytes};
    setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit cpu{kToolCpuSeconds, kToolCpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
}

// Reads the tool's output; a failure when it fails, takes too long or says too much.
Result<QByteArray> RunTool(const QString& tool, const QString& fileName) {
    QByteArray output;
    QProcess process;
    process.setProgram(tool);
    process.setArguments({fileName});
    process.setChildProcessModifier(LimitChild);
    const QDeadlineTimer deadline(kToolTimeout);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return Outcome::Failure(
            QStringLiteral("the .xls reader cannot be started: %1").arg(process.errorString()));
    for (;;) {
        output.append(process.readAllStandardOutput());
        if (output.size() > kMaxOutputBytes) {
            process.kill();
            process.waitForFinished();
            return Outcome::Failure(
                QStringLiteral("the .xls reader wrote more than %1 bytes").arg(kMaxOutputBytes));
        }
        if (process.state() == QProcess::NotRunning)
            break;
        if (deadline.hasExpired()) {
            process.kill();
            process.waitForFinished();
            return Outcome::Failure(
                QStringLiteral("the .xls reader took longer than %1 s")
                    .arg(std::chrono::duration_cast<std::chrono::seconds>(kToolTimeout).count()));
        }
        if (!process.waitForReadyRead(int(deadline.remainingTime())) &&
            process.state() != QProcess::NotRunning)
            process.waitForFinished(int(deadline.remainingTime()));
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return Outcome::Failure(QStringLiteral("the .xls reader crashed on the file"));
    if (process.exitCode() != 0) {
        const QByteArray reason = process.readAllStandardError().left(kMaxReasonBytes).trimmed();
        return Outcome::Failure(QStringLiteral("the .xls reader refused the file (exit code %1): %2")
                                    .arg(process.exitCode())
                                    .arg(QString::fromUtf8(reason)));
    }
    return output;
}

// A decimal figure of at most maxValue, digits only.
bool ParseFigure(QByteArrayView text, uint64_t maxValue, uint64_t* value) {
    if (text.isEmpty() || text.size() > 19)
        return false;
    uint64_t result = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9')
            return false;
        result = result * 10 + uint64_t(ch - '0');
    }
    if (result > maxValue)
        return false;
    *value = result;
    return true;
}

// The line's fields between single blanks.
QList<QByteArrayView> Fields(QByteArrayView line) {
    QList<QByteArrayView> fields;
    qsizetype start = 0;
    for (qsizetype blank = line.indexOf(' '); blank >= 0; blank = line.indexOf(' ', start)) {
        fields.append(line.sliced(start, blank - start));
        start = blank + 1;
        if (fields.size() > 3)
            return fields;
    }
    fields.append(line.sliced(start));
    return fields;
}

class OutputCursor {
public:
    explicit OutputCursor(QByteArrayView data) : m_data(data) {}
    bool atEnd() const { return m_pos == m_data.size(); }
    bool line(QByteArrayView* text) {
        const qsizetype end = m_data.indexOf('\n', m_pos);
        if (end < 0)
            return false;
        *text = m_data.sliced(m_pos, end - m_pos);
        m_pos = end + 1;
        return true;
    }
    // count bytes followed by a line end.
    bool bytes(uint64_t count, QByteArrayView* text) {
        if (count >= uint64_t(m_data.size() - m_pos) || m_data.at(m_pos + qsizetype(count)) != '\n')
            return false;
        *text = m_data.sliced(m_pos, qsizetype(count));
        m_pos += qsizetype(count) + 1;
        return true;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

bool ParseToolOutput(QByteArrayView output, SheetCells* cells) {
    OutputCursor cursor(output);
    QByteArrayView line;
    if (!cursor.line(&line) || line != kHeaderLine)
        return false;
    uint64_t records = 0;
    uint64_t previousRow = 0;
    while (cursor.line(&line)) {
        const QList<QByteArrayView> fields = Fields(line);
        if (fields.size() == 2 && fields[0] == "end") {
            uint64_t count = 0;
            return ParseFigure(fields[1], records, &count) && count == records && cursor.atEnd();
        }
        uint64_t row = 0, column = 0, length = 0;
        if (fields.size() != 3 || !ParseFigure(fields[0], kSheetMaxRows, &row) || row < previousRow ||
            row == 0 || !ParseFigure(fields[1], kSheetColumns, &column) ||
            !ParseFigure(fields[2], uint64_t(output.size()), &length) || (column == 0 && length != 0))
            return false;
        QByteArrayView bytes;
        if (!cursor.bytes(length, &bytes))
            return false;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8(bytes);
        if (utf8.hasError())
            return false;
        cells->noteCell(uint32_t(row));
        if (column > 0)
            cells->addText(uint32_t(row), int(column), text);
        previousRow = row;
        ++records;
    }
    return false; // no closing line: the output was cut short
}

} // namespace

QString XlsToolPath() {
    const QString folder = ProgramFolder();
    for (const QString& candidate :
         {folder + QStringLiteral("/ohmara-xls"),
          QDir::cleanPath(folder + QStringLiteral("/" OHMARA_LIBEXEC_FROM_BIN "/ohmara-xls"))}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

Outcome ReadXlsCells(const QString& fileName, SheetCells* cells) {
    const QString tool = XlsToolPath();
    if (tool.isEmpty())
        return Outcome::Failure(
            QStringLiteral("the .xls reader ohmara-xls is not installed (looked in %1 and %2)")
                .arg(QDir::toNativeSeparators(ProgramFolder()),
                     QDir::toNativeSeparators(
                         QDir::cleanPath(ProgramFolder() + QStringLiteral("/" OHMARA_LIBEXEC_FROM_BIN)))));
    const Result<QByteArray> output = RunTool(tool, fileName);
    if (!output)
        return output;
    SheetCells read;
    if (!ParseToolOutput(*output, &read))
        return Outcome::Failure(QStringLiteral("the .xls reader's output is malformed"));
    *cells = std::move(read);
    return {};
}
