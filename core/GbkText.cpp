#include "core/GbkText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

bool isAvailable() {
    return QStringEncoder("GBK").isValid() && QStringDecoder("GBK").isValid();
}

QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError())
        return bytes;
    // Character by character: GBK where it can, GB18030 where it cannot. The euro sign, a single
    // byte 0x80 in GBK that GB18030 does not read, takes its GB18030 form as well.
    bytes.clear();
    QStringEncoder wide("GB18030", QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QStringView ch = QStringView(text).mid(i, len);
        QStringEncoder narrow("GBK", QStringConverter::Flag::Stateless);
        const QByteArray one = narrow.encode(ch);
        bytes += narrow.hasError() || one == "\x80" ? QByteArray(wide.encode(ch)) : one;
        i += len;
    }
    return bytes;
}

QString decode(const QByteArray& bytes) {
    FourByteScan scan;
    scan.feed(bytes.constData(), bytes.size());
    QStringDecoder decoder(scan.decoderName(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

void FourByteScan::feed(const char* data, qsizetype size) {
    for (qsizetype i = 0; i < size && !m_found; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        const bool lead = c >= 0x81 && c <= 0xFE;
        const bool digit = c >= 0x30 && c <= 0x39;
        switch (m_state) {
        case 0: // start of a character
            m_state = lead ? 1 : 0;
            break;
        case 1: // after a lead byte: a digit makes it a four-byte sequence, anything else ends a pair
            m_state = digit ? 2 : 0;
            break;
        case 2:
            m_state = lead ? 3 : 0;
            break;
        default:
            m_found = digit;
            m_state = 0;
            break;
        }
    }
}

int byteLength(const QString& text) {
    return int(encode(text).size());
}

QString cutToBytes(const QString& text, int maxBytes) {
    if (maxBytes <= 0)
        return {};
    if (byteLength(text) <= maxBytes)
        return text;
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        // Keep surrogate pairs together.
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const int charBytes = byteLength(text.mid(i, len));
        if (bytes + charBytes > maxBytes)
            break;
        bytes += charBytes;
        i += len;
    }
    return text.left(i);
}

} // namespace Gbk
