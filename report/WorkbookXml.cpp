#include "report/WorkbookXml.h"

#include "core/UDataCenter.h"

#include "report/WorkbookReader.h"
#include "report/WorkbookZip.h"

namespace {

constexpr int kSheetMaxColumns = 16384;

// The <t> texts below the current element, those of rich-text runs included and those of phonetic
// runs skipped. Leaves the reader on the element's end.
QString RunTexts(XmlPart& xml) {
    QXmlStreamReader& reader = xml.reader();
    QString text;
    int depth = 0;
    while (xml.next()) {
        if (reader.isEndElement()) {
            if (depth == 0)
                break;
            --depth;
        } else if (xml.isStart(u"t")) {
            text += reader.readElementText();
        } else if (xml.isStart(u"rPh")) {
            reader.skipCurrentElement();
        } else if (reader.isStartElement()) {
            ++depth;
        }
    }
    return text;
}

} // namespace

XmlPart::XmlPart(const ZipArchive& zip, const QString& partName, qint64 limit) : m_partName(partName) {
    Result<std::unique_ptr<ZipPartDevice>> part = zip.openPart(partName, limit);
    m_opened = part;
    if (part) {
        m_device = std::move(*part);
        m_reader.setDevice(m_device.get());
    }
}

XmlPart::~XmlPart() = default;

bool XmlPart::next() {
    if (!m_device || m_reader.atEnd())
        return false;
    m_reader.readNext();
    if (m_reader.isDTD())
        m_reader.raiseError(QStringLiteral("document type declarations are not allowed"));
    return !m_reader.hasError() && !m_reader.atEnd();
}

Outcome XmlPart::finish() const {
    if (!m_device)
        return m_opened;
    if (m_device->exceeded() || m_device->failed())
        return Outcome::Failure(m_partName + QStringLiteral(": ") + m_device->errorString());
    if (m_reader.hasError())
        return Outcome::Failure(m_partName + QStringLiteral(": ") + m_reader.errorString());
    return {};
}

QString ReadRichText(XmlPart& xml) {
    return UnescapeOoxml(RunTexts(xml));
}

namespace {

// The code of an escape "_xHHHH_" at i, or -1.
int EscapedCode(const QString& text, qsizetype i) {
    if (i + 6 >= text.size() || text.at(i) != QLatin1Char('_') || text.at(i + 1) != QLatin1Char('x') ||
        text.at(i + 6) != QLatin1Char('_'))
        return -1;
    int code = 0;
    for (int k = 2; k < 6; ++k) {
        const int digit = HexDigitValue(text.at(i + k));
        if (digit < 0)
            return -1;
        code = code * 16 + digit;
    }
    return code;
}

} // namespace

// Escaped surrogates make a character only as a pair; a lone one becomes U+FFFD, so the text is
// always valid UTF-16.
QString UnescapeOoxml(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    constexpr qsizetype kEscapeLength = 7;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const int code = EscapedCode(text, i);
        if (code < 0) {
            result += text.at(i++);
            continue;
        }
        i += kEscapeLength;
        const QChar c{char16_t(code)};
        if (!c.isSurrogate()) {
            result += c;
        } else if (c.isHighSurrogate() &&
                   QChar(char16_t(std::max(0, EscapedCode(text, i)))).isLowSurrogate()) {
            result += c;
            result += QChar(char16_t(EscapedCode(text, i)));
            i += kEscapeLength;
        } else {
            result += QChar(char16_t(0xFFFD));
        }
    }
    return result;
}

bool ParseCellReference(QStringView reference, int* column, uint32_t* row) {
    qsizetype i = 0;
    int col = 0;
    while (i < reference.size() && reference[i] >= QLatin1Char('A') && reference[i] <= QLatin1Char('Z') &&
           i < 3)
        col = col * 26 + (reference[i++].unicode() - u'A' + 1);
    uint64_t r = 0;
    const qsizetype digitsFrom = i;
    while (i < reference.size() && reference[i] >= QLatin1Char('0') && reference[i] <= QLatin1Char('9') &&
           i - digitsFrom < 8)
        r = r * 10 + (reference[i++].unicode() - u'0');
    if (col < 1 || col > kSheetMaxColumns || i == digitsFrom || i != reference.size() || r < 1 ||
        r > kSheetMaxRows)
        return false;
    *column = col;
    *row = uint32_t(r);
    return true;
}
