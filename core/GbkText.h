#pragma once
// The program keeps texts as QString but measures, stores and exchanges them as GBK bytes,
// the code page of the instrument's home market: length limits count bytes, so a Chinese
// character counts two.
#include <QByteArray>
#include <QString>

namespace Gbk {

bool isAvailable();
QByteArray encode(const QString& text);
// Decodes GBK bytes; an incomplete trailing lead byte becomes U+FFFD instead of vanishing.
QString decode(const QByteArray& bytes);
int byteLength(const QString& text);
// The longest prefix of text whose GBK form fits into maxBytes, never cutting a character in half.
QString cutToBytes(const QString& text, int maxBytes);

} // namespace Gbk
