#include "core/GbkText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Gbk {

bool isAvailable() {
    return QStringEncoder("GBK").isValid() && QStringDecoder("GBK").isValid();
}

QByteArray encode(const QString& text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes) {
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
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
