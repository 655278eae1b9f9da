#include "core/ProfileFile.h"

#include "core/GbkText.h"
#include "core/UDataCenter.h"
#include "core/WholeFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr qsizetype kBomSize = 3;
constexpr qsizetype kWriteChunk = qsizetype(1) << 20;

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool Blank(char c) {
    return uchar(c) <= 32;
}

// The bytes without leading and trailing characters of code 32 and below. GBK and UTF-8 never
// use such bytes inside a character, so this is the same as trimming the decoded text.
QByteArrayView TrimBytes(QByteArrayView bytes) {
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && Blank(bytes[begin]))
        ++begin;
    while (end > begin && Blank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QByteArrayView StripQuotes(QByteArrayView value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// The key of a "key=value" line ('=' never occurs inside a GBK or UTF-8 character), or empty.
QByteArrayView KeyBytes(QByteArrayView line) {
    const QByteArrayView text = TrimBytes(line);
    const qsizetype eq = text.indexOf('=');
    return eq > 0 ? TrimBytes(text.first(eq)) : QByteArrayView();
}

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool SameAsciiName(QByteArrayView bytes, const QString& name) {
    if (bytes.size() != name.size())
        return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (b >= 0x80 || QChar::toLower(char16_t(b)) != QChar::toLower(name.at(i).unicode()))
            return false;
    }
    return true;
}

enum class Utf8Form { Invalid, Ascii, MultiByte };

// Whether the bytes are valid UTF-8 (no overlong forms, no surrogates), and with a character of
// more than one byte.
Utf8Form Utf8FormOf(QByteArrayView data) {
    bool wide = false;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = uchar(data[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return Utf8Form::Invalid;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n)
                return Utf8Form::Invalid;
            const uchar c = uchar(data[i + k]);
            if ((c & 0xC0) != 0x80)
                return Utf8Form::Invalid;
            cp = cp << 6 | (c & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return Utf8Form::Invalid;
        wide = true;
        i += 1 + extra;
    }
    return wide ? Utf8Form::MultiByte : Utf8Form::Ascii;
}

// A comment line that keeps a GBK file GBK: its first byte cannot begin a UTF-8 character.
const QString kGbkMark = QStringLiteral("; 本文件为GBK编码");

std::optional<uint32_t> HexDigits(QStringView digits) {
    if (digits.isEmpty())
        return std::nullopt;
    uint64_t v = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int d = -1;
        if (u >= u'0' && u <= u'9')
            d = u - u'0';
        else if (u >= u'a' && u <= u'f')
            d = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            d = u - u'A' + 10;
        if (d < 0)
            return std::nullopt;
        v = v * 16 + uint64_t(d);
        if (v > 0xFFFFFFFFull)
            return std::nullopt;
    }
    return uint32_t(v);
}

std::optional<uint64_t> DecimalDigits(QStringView digits) {
    if (digits.isEmpty())
        return std::nullopt;
    uint64_t v = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        v = v * 10 + uint64_t(c.unicode() - u'0');
        if (v > 0x80000000ull)
            return std::nullopt;
    }
    return v;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

Outcome ProfileFile::load() {
    parse({});
    m_lastLoad = {};
    QFile file(m_path);
    if (!file.exists())
        return m_lastLoad;
    if (!file.open(QIODevice::ReadOnly))
        return m_lastLoad = Outcome::Failure(file.errorString());
    if (file.size() > kLargestFile)
        return m_lastLoad = Outcome::Failure(
                   QCoreApplication::translate("ProfileFile", "文件超过%1 MB").arg(kLargestFile >> 20));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return m_lastLoad = Outcome::Failure(file.errorString());
    parse(data);
    return m_lastLoad;
}

void ProfileFile::parse(const QByteArray& bytes) {
    m_data = bytes;
    m_added.clear();
    m_lines.clear();
    m_sections.clear();
    m_bomLength = m_data.startsWith(kBom) ? kBomSize : 0;
    const QByteArrayView body = QByteArrayView(m_data).sliced(m_bomLength);
    m_encoding = m_bomLength > 0 || Utf8FormOf(body) == Utf8Form::MultiByte ? Encoding::Utf8 : Encoding::Gbk;

    const char* data = m_data.constData();
    const qsizetype size = m_data.size();
    qsizetype pos = m_bomLength;
    while (pos < size) {
        const char* stop = static_cast<const char*>(
            std::find_if(data + pos, data + size, [](char c) { return c == '\n' || c == '\r'; }));
        Line line;
        line.begin = pos;
        line.length = int32_t(stop - (data + pos));
        qsizetype next = stop - data;
        if (next < size) {
            if (data[next] == '\r' && next + 1 < size && data[next + 1] == '\n') {
                line.eol = 2;
            } else {
                line.eol = 1;
                line.crOnly = data[next] == '\r';
            }
            next += line.eol;
        }
        const QByteArrayView text = TrimBytes(QByteArrayView(data + pos, line.length));
        if (text.startsWith('[')) {
            line.kind = Kind::Section;
            const QString decoded = decodeAs(m_encoding, text);
            const qsizetype close = decoded.indexOf(QLatin1Char(']'));
            QString name = TrimText(decoded.mid(1, close < 0 ? -1 : close - 1));
            if (name.isEmpty())
                name = QStringLiteral("\x01"); // "[]" names no section anyone asks for
            m_sections.append({int(m_lines.size()), name});
        } else if (!KeyBytes(text).isEmpty()) {
            line.kind = Kind::Key;
        }
        m_lines.push_back(line);
        pos = next;
    }
}

QByteArray ProfileFile::lineBytes(const Line& line) const {
    const QByteArray& store = line.store == Store::File ? m_data : m_added;
    return store.mid(line.begin, line.length);
}

bool ProfileFile::needsGbkMark() const {
    // A GBK file whose every line is valid UTF-8, one of them with a multi-byte character (a
    // name such as "璐班保"), would be read as UTF-8 next time.
    if (m_encoding != Encoding::Gbk)
        return false;
    bool wide = false;
    for (const Line& line : m_lines) {
        const QByteArrayView bytes = line.store == Store::File
                                         ? QByteArrayView(m_data).sliced(line.begin, line.length)
                                         : QByteArrayView(m_added).sliced(line.begin, line.length);
        const Utf8Form form = Utf8FormOf(bytes);
        if (form == Utf8Form::Invalid)
            return false;
        wide = wide || form == Utf8Form::MultiByte;
    }
    return wide;
}

QString ProfileFile::decodeAs(Encoding encoding, QByteArrayView bytes) {
    return encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : Gbk::decode(bytes.toByteArray());
}

QByteArray ProfileFile::keyLine(const QByteArray& keyBytes, const QString& key, const QString& value) const {
    const auto encode = [this](const QString& text) {
        return m_encoding == Encoding::Utf8 ? text.toUtf8() : Gbk::encode(text);
    };
    return (keyBytes.isEmpty() ? encode(key) : keyBytes) + '=' + encode(value);
}

Outcome ProfileFile::writeTo(QIODevice& device) const {
    // Runs of untouched lines go out as they lie in the file, line ends included.
    QByteArray pending = m_data.left(m_bomLength);
    if (needsGbkMark())
        pending += Gbk::encode(kGbkMark) + "\r\n";
    qint64 runBegin = -1;
    qint64 runEnd = -1;
    const auto flushRun = [&] {
        if (runBegin >= 0)
            pending.append(m_data.constData() + runBegin, runEnd - runBegin);
        runBegin = runEnd = -1;
    };
    const auto flushPending = [&](bool always) {
        if (!always && pending.size() < kWriteChunk)
            return Outcome();
        Outcome written = WriteFully(device, pending);
        pending.clear();
        return written;
    };
    for (const Line& line : m_lines) {
        if (line.store == Store::File) {
            const qint64 end = line.begin + line.length + line.eol;
            if (runBegin >= 0 && runEnd == line.begin) {
                runEnd = end;
            } else {
                flushRun();
                runBegin = line.begin;
                runEnd = end;
            }
            if (runEnd - runBegin >= kWriteChunk) {
                flushRun();
                if (Outcome written = flushPending(true); !written)
                    return written;
            }
            continue;
        }
        flushRun();
        pending += lineBytes(line);
        pending += line.eol == 2 ? "\r\n" : line.eol == 1 ? (line.crOnly ? "\r" : "\n") : "";
        if (Outcome written = flushPending(false); !written)
            return written;
    }
    flushRun();
    return flushPending(true);
}

QByteArray ProfileFile::toBytes() const {
    QByteArray bytes;
    QBuffer sink(&bytes);
    sink.open(QIODevice::WriteOnly);
    static_cast<void>(writeTo(sink)); // a buffer takes every byte
    return bytes;
}

Outcome ProfileFile::save() const {
    if (!m_lastLoad)
        return Outcome::Failure(QCoreApplication::translate("ProfileFile", "文件未能读取，不予覆盖：%1")
                                    .arg(m_lastLoad.reason()));
    WholeFile file(m_path);
    // A folder that refuses the temporary file may still hold a file the user may write.
    file.allowWritingInPlace();
    Outcome written = file.open();
    if (written)
        written = writeTo(file.device());
    return written ? file.commit() : written;
}

ProfileFile::Line ProfileFile::addLine(const QByteArray& bytes, Kind kind) {
    Line line;
    line.begin = m_added.size();
    line.length = int32_t(bytes.size());
    line.eol = 2;
    line.kind = kind;
    line.store = Store::Added;
    m_added += bytes;
    return line;
}

void ProfileFile::insertLine(int at, const Line& line) {
    // A line after the last one needs a line end between them.
    if (at > 0 && m_lines[at - 1].eol == 0) {
        Line& before = m_lines[at - 1];
        if (before.store == Store::File)
            before = addLine(lineBytes(before), before.kind);
        before.eol = 2;
    }
    m_lines.insert(m_lines.begin() + at, line);
    for (SectionLine& s : m_sections)
        if (s.line >= at)
            ++s.line;
}

int ProfileFile::findSection(const QString& section) const {
    for (const SectionLine& s : m_sections)
        if (SameName(s.name, section))
            return s.line;
    return -1;
}

int ProfileFile::sectionEnd(int sectionLine) const {
    for (const SectionLine& s : m_sections)
        if (s.line > sectionLine)
            return s.line;
    return int(m_lines.size());
}

int ProfileFile::findKey(int sectionLine, const QString& key) const {
    const int end = sectionEnd(sectionLine);
    const bool ascii = IsAscii(key);
    for (int i = sectionLine + 1; i < end; ++i) {
        if (m_lines[i].kind != Kind::Key)
            continue;
        const QByteArray bytes = lineBytes(m_lines[i]);
        const QByteArrayView name = KeyBytes(bytes);
        if (ascii ? SameAsciiName(name, key) : SameName(decodeAs(m_encoding, name), key))
            return i;
    }
    return -1;
}

std::optional<QString> ProfileFile::valueAt(int line) const {
    if (line < 0)
        return std::nullopt;
    const QByteArray bytes = lineBytes(m_lines[line]);
    const QByteArrayView text = TrimBytes(bytes);
    const qsizetype eq = text.indexOf('=');
    return decodeAs(m_encoding, StripQuotes(TrimBytes(text.sliced(eq + 1))));
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    return valueAt(findKey(s, key));
}

QString ProfileFile::readString(const QString& section, const QString& key, const QString& fallback) const {
    return value(section, key).value_or(fallback);
}

int ProfileFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const std::optional<QString> text = value(section, key);
    if (!text)
        return fallback;
    return parseInteger(*text).value_or(fallback);
}

QList<QString> ProfileFile::keys(const QString& section) const {
    QList<QString> result;
    const int s = findSection(section);
    if (s < 0)
        return result;
    const int end = sectionEnd(s);
    for (int i = s + 1; i < end; ++i) {
        if (m_lines[i].kind != Kind::Key)
            continue;
        const QByteArray bytes = lineBytes(m_lines[i]);
        result.append(decodeAs(m_encoding, KeyBytes(bytes)));
    }
    return result;
}

void ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    int s = findSection(section);
    if (s < 0) {
        const int at = int(m_lines.size());
        const QString header = QLatin1Char('[') + section + QLatin1Char(']');
        insertLine(
            at, addLine(m_encoding == Encoding::Utf8 ? header.toUtf8() : Gbk::encode(header), Kind::Section));
        m_sections.append({at, section});
        insertLine(at + 1, addLine(keyLine({}, key, value), Kind::Key));
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        if (valueAt(k) == value)
            return; // unchanged: the line keeps its bytes
        // Keep the key as the file spells it, and the line's own line end.
        const Line old = m_lines[k];
        Line line = addLine(keyLine(KeyBytes(lineBytes(old)).toByteArray(), key, value), Kind::Key);
        line.eol = old.eol;
        line.crOnly = old.crOnly;
        m_lines[k] = line;
        return;
    }
    // Append after the last key line of the section (blank lines and comments stay after it).
    int insertAt = s + 1;
    const int end = sectionEnd(s);
    for (int i = s + 1; i < end; ++i)
        if (m_lines[i].kind == Kind::Key)
            insertAt = i + 1;
    insertLine(insertAt, addLine(keyLine({}, key, value), Kind::Key));
}

void ProfileFile::setInteger(const QString& section, const QString& key, int value) {
    const int s = findSection(section);
    if (s >= 0) {
        const std::optional<QString> text = valueAt(findKey(s, key));
        if (text && parseInteger(*text) == value)
            return; // "0x10" stays "0x10" while the value stays 16
    }
    setValue(section, key, QString::number(value));
}

std::optional<int> ProfileFile::parseInteger(const QString& rawText) {
    const QString text = TrimText(rawText);
    const QStringView view(text);
    if (view.size() > 2 && (view.startsWith(QLatin1String("0x")) || view.startsWith(QLatin1String("0X")))) {
        const std::optional<uint32_t> v = HexDigits(view.sliced(2));
        return v ? std::optional<int>(int(*v)) : std::nullopt;
    }
    QStringView body = view;
    bool negative = false;
    if (body.startsWith(QLatin1Char('+')) || body.startsWith(QLatin1Char('-'))) {
        negative = body.startsWith(QLatin1Char('-'));
        body = body.sliced(1);
    }
    if (body.startsWith(QLatin1Char('$'))) {
        // Thirty-two bits of hexadecimal, negated in two's complement like the rest of the range.
        const std::optional<uint32_t> v = HexDigits(body.sliced(1));
        if (!v)
            return std::nullopt;
        return int(negative ? uint32_t(0u - *v) : *v);
    }
    const std::optional<uint64_t> v = DecimalDigits(body);
    if (!v || (!negative && *v > 0x7FFFFFFFull))
        return std::nullopt;
    return negative ? int(-int64_t(*v)) : int(*v);
}
