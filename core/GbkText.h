#pragma once
// The program keeps texts as QString but measures, stores and exchanges them as GBK bytes,
// the code page of the instrument's home market: length limits count bytes, so a Chinese
// character counts two.
#include <QByteArray>
#include <QString>

namespace Gbk {

// Characters GBK lacks (emoji, rarer CJK) are stored as the four-byte sequences of GB18030, its
// superset, rather than lost; texts GBK can hold come out as plain GBK bytes. Such a sequence
// (lead byte, digit, lead byte, digit) never occurs in GBK, so a reader can tell the two apart.

bool isAvailable();
QByteArray encode(const QString& text);
// Decodes GBK bytes; an incomplete trailing lead byte becomes U+FFFD instead of vanishing.
QString decode(const QByteArray& bytes);
int byteLength(const QString& text);

// Watches bytes go by, in as many pieces as they come, for four-byte GB18030 sequences.
class FourByteScan {
public:
    void feed(const char* data, qsizetype size);
    bool found() const { return m_found; }
    // The decoder name the bytes seen so far need: "GB18030" when they hold four-byte sequences.
    const char* decoderName() const { return m_found ? "GB18030" : "GBK"; }

private:
    int m_state = 0;
    bool m_found = false;
};
// The longest prefix of text whose GBK form fits into maxBytes, never cutting a character in half.
QString cutToBytes(const QString& text, int maxBytes);

} // namespace Gbk
