#include "report/DataFile.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

namespace {

const QString kDataFolderName = QStringLiteral("测试记录");
constexpr qint64 kReadChunk = 1024 * 1024;

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

bool IsValidUtf8(const QByteArray& bytes, bool* hasNonAscii) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    *hasNonAscii = false;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        *hasNonAscii = true;
        int len = 0;
        uint32_t min = 0;
        uint32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

// Text files have no NUL bytes and hardly any other control bytes; anything else is not a data file.
bool LooksLikeBinary(const QByteArray& bytes) {
    qsizetype controls = 0;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            return true;
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A &&
            c != 0x1B)
            ++controls;
    }
    return controls * 20 > bytes.size();
}

bool HasUtf16Mark(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

bool IsBlank(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}

// Key texts in the order they are tested; the first one found anywhere in the line decides.
struct RouteKey {
    QStringView key;
    int column;
};
constexpr std::array<RouteKey, 7> kRouteKeys = {{{u"序号", 0},
                                                 {u"时间", 1},
                                                 {u"设备编号", 2},
                                                 {u"测试人员", 3},
                                                 {u"测试地点", 4},
                                                 {u"测试档位", 5},
                                                 {u"测试电阻", 7}}};
constexpr QStringView kLoadTimeKey = u"载流时间";

void RouteLine(DataFileRecords& records, QStringView line) {
    for (const RouteKey& route : kRouteKeys) {
        if (!line.contains(route.key))
            continue;
        int column = route.column;
        if (column == 0) {
            if (records.recordCount > 0)
                records.rows.emplace_back();
            ++records.recordCount;
        } else if (column == 1 && line.contains(kLoadTimeKey)) {
            column = 6;
        }
        ParseFieldLine(records.rows.back(), column, line);
        return;
    }
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
    if (recordCount <= 0)
        return {};
    QString text;
    text.reserve(qsizetype(recordCount) * 160);
    for (int row = 1; row <= recordCount; ++row) {
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

bool WriteDataFile(const QString& fileName, const RecordGrid& grid, int recordCount, QString* errorText) {
    const QByteArray bytes = DataFileBytes(grid, recordCount);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString DecodeDataFileText(const QByteArray& bytes) {
    if (HasUtf16Mark(bytes)) {
        auto encoding = QStringConverter::encodingForData(bytes);
        QStringDecoder decoder(encoding.value_or(QStringConverter::Utf16), QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    bool nonAscii = false;
    if (IsValidUtf8(bytes, &nonAscii) && nonAscii) {
        const qsizetype skip = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        return QString::fromUtf8(bytes.constData() + skip, bytes.size() - skip);
    }
    return Gbk::decode(bytes);
}

void ParseFieldLine(RecordGrid::Row& row, int column, QStringView line) {
    const qsizetype mark = line.indexOf(QLatin1Char('='));
    row[size_t(column)] = (mark < 0 ? line : line.mid(mark + 1)).toString();
}

DataFileRecords ParseDataFileText(QStringView text) {
    DataFileRecords records;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
            continue;
        RouteLine(records, text.mid(start, i - start));
        if (i + 1 < n && text[i] == QLatin1Char('\r') && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    return records;
}

DataFileReadResult ReadDataFile(const QString& fileName) {
    DataFileReadResult result;
    const QFileInfo info(fileName);
    if (!info.exists()) {
        result.status = DataFileStatus::Missing;
        return result;
    }
    if (info.isDir()) {
        result.status = DataFileStatus::Folder;
        return result;
    }
    if (info.size() > kMaxDataFileBytes) {
        result.status = DataFileStatus::TooLarge;
        return result;
    }
    QFile file(fileName);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.status = DataFileStatus::Unreadable;
        result.detail = info.isFile() ? file.errorString() : QString();
        return result;
    }
    // Read in chunks up to the limit: the size reported beforehand need not be the size read.
    QByteArray bytes;
    bytes.reserve(info.size());
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kReadChunk);
        if (chunk.isEmpty() && file.error() != QFileDevice::NoError) {
            result.status = DataFileStatus::Unreadable;
            result.detail = file.errorString();
            return result;
        }
        if (chunk.isEmpty())
            break;
        if (bytes.size() + chunk.size() > kMaxDataFileBytes) {
            result.status = DataFileStatus::TooLarge;
            return result;
        }
        bytes += chunk;
    }
    const QString text = DecodeDataFileText(bytes);
    if (IsBlank(text)) {
        result.status = DataFileStatus::Empty;
        return result;
    }
    if (!HasUtf16Mark(bytes) && LooksLikeBinary(bytes)) {
        result.status = DataFileStatus::NotText;
        return result;
    }
    result.records = ParseDataFileText(text);
    return result;
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
        return QStringLiteral("指定的文件'%1'太大（超过%2 MB），无法打开")
            .arg(fileName)
            .arg(kMaxDataFileBytes / (1024 * 1024));
    case DataFileStatus::Unreadable:
        return result.detail.isEmpty()
                   ? QStringLiteral("无法读取指定的文件'%1'").arg(fileName)
                   : QStringLiteral("无法读取指定的文件'%1'（%2）").arg(fileName, result.detail);
    }
    return {};
}
