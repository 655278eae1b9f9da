#include "core/ProfileFile.h"

#include "core/GbkText.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString StripQuotes(const QString& value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

ProfileFile::Line ProfileFile::parseLine(const QByteArray& raw) {
    Line line{raw, {}, {}, {}};
    const QString text = Gbk::decode(raw).trimmed();
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        line.section = text.mid(1, close < 0 ? -1 : close - 1).trimmed();
        if (line.section.isEmpty())
            line.section = QStringLiteral("\x01"); // "[]" names no section anyone asks for
        return line;
    }
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq > 0) {
        line.key = text.left(eq).trimmed();
        line.value = StripQuotes(text.mid(eq + 1).trimmed());
    }
    return line;
}

bool ProfileFile::load() {
    m_lines.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A settings file is a few hundred bytes; anything far larger is not one of ours.
    constexpr qint64 kLargestSettingsFile = 1 << 20;
    if (file.size() > kLargestSettingsFile)
        return false;
    parse(file.readAll());
    return true;
}

void ProfileFile::parse(const QByteArray& bytes) {
    m_lines.clear();
    QByteArray data = bytes;
    data.replace("\r\n", "\n");
    data.replace('\r', '\n');
    QList<QByteArray> raws = data.split('\n');
    if (!raws.isEmpty() && raws.last().isEmpty())
        raws.removeLast();
    for (const QByteArray& raw : raws)
        m_lines.append(parseLine(raw));
}

QByteArray ProfileFile::toBytes() const {
    QByteArray data;
    for (const Line& line : m_lines) {
        data += line.raw;
        data += "\r\n";
    }
    return data;
}

bool ProfileFile::save() const {
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = toBytes();
    return file.write(data) == data.size() && file.commit();
}

int ProfileFile::findSection(const QString& section) const {
    for (int i = 0; i < m_lines.size(); ++i)
        if (!m_lines[i].section.isEmpty() && SameName(m_lines[i].section, section))
            return i;
    return -1;
}

int ProfileFile::findKey(int sectionLine, const QString& key) const {
    for (int i = sectionLine + 1; i < m_lines.size() && m_lines[i].section.isEmpty(); ++i)
        if (!m_lines[i].key.isEmpty() && SameName(m_lines[i].key, key))
            return i;
    return -1;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const int k = findKey(s, key);
    if (k < 0)
        return std::nullopt;
    return m_lines[k].value;
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
    for (int i = s + 1; i < m_lines.size() && m_lines[i].section.isEmpty(); ++i)
        if (!m_lines[i].key.isEmpty())
            result.append(m_lines[i].key);
    return result;
}

void ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    Line line = parseLine(Gbk::encode(key + QLatin1Char('=') + value));
    line.value = value; // as held, even with blanks or quotes around it
    int s = findSection(section);
    if (s < 0) {
        m_lines.append(parseLine(Gbk::encode(QLatin1Char('[') + section + QLatin1Char(']'))));
        m_lines.append(line);
        return;
    }
    const int k = findKey(s, key);
    if (k >= 0) {
        // Keep the key as the file spells it.
        line.raw = Gbk::encode(m_lines[k].key + QLatin1Char('=') + value);
        line.key = m_lines[k].key;
        m_lines[k] = line;
        return;
    }
    // Append after the last key line of the section (blank lines and comments stay after it).
    int insertAt = s + 1;
    for (int i = s + 1; i < m_lines.size() && m_lines[i].section.isEmpty(); ++i)
        if (!m_lines[i].key.isEmpty())
            insertAt = i + 1;
    m_lines.insert(insertAt, line);
}

void ProfileFile::setInteger(const QString& section, const QString& key, int value) {
    setValue(section, key, QString::number(value));
}

std::optional<int> ProfileFile::parseInteger(const QString& rawText) {
    const QString text = rawText.trimmed();
    bool ok = false;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        const QString digits = text.mid(2);
        if (digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
            return std::nullopt;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || v > 0xFFFFFFFFull)
            return std::nullopt;
        return int(quint32(v));
    }
    QString body = text;
    bool negative = false;
    if (body.startsWith(QLatin1Char('+')) || body.startsWith(QLatin1Char('-'))) {
        negative = body.startsWith(QLatin1Char('-'));
        body = body.mid(1);
    }
    if (body.startsWith(QLatin1Char('$'))) {
        const QString digits = body.mid(1);
        if (digits.isEmpty() || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
            return std::nullopt;
        const qulonglong v = digits.toULongLong(&ok, 16);
        if (!ok || v > 0xFFFFFFFFull)
            return std::nullopt;
        const int magnitude = int(quint32(v));
        return negative ? -magnitude : magnitude;
    }
    if (body.isEmpty() || !body.front().isDigit())
        return std::nullopt;
    for (const QChar c : body)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const qlonglong v = body.toLongLong(&ok, 10);
    const qlonglong signedValue = negative ? -v : v;
    if (!ok || signedValue < INT32_MIN || signedValue > INT32_MAX)
        return std::nullopt;
    return int(signedValue);
}
