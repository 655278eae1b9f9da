#include "report/DataFile.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>

namespace {

const QString kDataFolderName = QStringLiteral("测试记录");
constexpr int kRecordsPerSlice = 2048;

// Block lines after the record number: section heads stand alone, numbers are grid columns.
constexpr std::array<int, 9> kBlockAfterNumber = {-1, 1, 2, 3, 4, 5, 6, -2, 7};
const QString kParameterHead = QStringLiteral("[参数]");
const QString kResultHead = QStringLiteral("[试验结果]");
const QString kLineEnd = QStringLiteral("\r\n");

// A value must stay on its own line, or the rest of the block would be read as other keys.
QString OneLine(const QString& text) {
    QString result = TrimText(text);
    for (QChar& c : result)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return result;
}

void AppendKeyLine(QString& out, const RecordGrid& grid, int column, int row) {
    out += OneLine(grid.cell(column, 0));
    out += QLatin1Char('=');
    out += OneLine(grid.cell(column, row));
    out += kLineEnd;
}

// The GBK bytes of the blocks of grid rows first..last.
QByteArray EncodeBlocks(const RecordGrid& grid, int first, int last) {
    if (last < first)
        return {};
    QString text;
    text.reserve(qsizetype(last - first + 1) * 160);
    for (int row = first; row <= last; ++row) {
        AppendKeyLine(text, grid, 0, row);
        for (const int column : kBlockAfterNumber) {
            if (column == -1)
                text += kParameterHead + kLineEnd;
            else if (column == -2)
                text += kResultHead + kLineEnd;
            else
                AppendKeyLine(text, grid, column, row);
        }
        text += kLineEnd;
        text += kLineEnd;
    }
    return Gbk::encode(text);
}

} // namespace

QString EnsureDataFolder() {
    const QString folder = ExecutableDir() + kDataFolderName;
    if (!QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    return folder;
}

QString FolderOfFile(const QString& fileName) {
    return QFileInfo(fileName).absolutePath() + QLatin1Char('/');
}

QByteArray DataFileBytes(const RecordGrid& grid, int recordCount) {
    return EncodeBlocks(grid, 1, recordCount);
}

bool WriteDataFile(const QString& fileName, const RecordGrid& grid, int recordCount, QString* errorText) {
    QSaveFile file(fileName);
    bool written = file.open(QIODevice::WriteOnly);
    // In slices, so that a large grid is never held twice over in memory.
    for (int first = 1; written && first <= recordCount; first += kRecordsPerSlice) {
        const QByteArray bytes =
            EncodeBlocks(grid, first, std::min(recordCount, first + kRecordsPerSlice - 1));
        written = file.write(bytes) == bytes.size();
    }
    if (!written || !file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString DataFileMessage(const DataFileReadResult& result, const QString& fileName) {
    switch (result.status) {
    case DataFileStatus::Loaded:
        return {};
    case DataFileStatus::Empty:
        return QStringLiteral("指定的文件沒有內容");
    case DataFileStatus::Missing:
        return QStringLiteral("指定的文件'") + fileName + QStringLiteral("'不存在");
    case DataFileStatus::Folder:
        return QStringLiteral("指定的'%1'是文件夹，不是数据文件").arg(fileName);
    case DataFileStatus::NotText:
        return QStringLiteral("指定的文件'%1'不是文本格式的测试数据文件").arg(fileName);
    case DataFileStatus::TooLarge:
        return QStringLiteral("指定的文件'%1'太大（超过%2 MB或%3条记录），无法打开")
            .arg(fileName, QString::number(kMaxDataFileBytes / (1024 * 1024)),
                 QString::number(kMaxDataFileRecords));
    case DataFileStatus::Unreadable:
        return result.detail.isEmpty()
                   ? QStringLiteral("无法读取指定的文件'%1'").arg(fileName)
                   : QStringLiteral("无法读取指定的文件'%1'（%2）").arg(fileName, result.detail);
    }
    return {};
}
