#include "report/SheetText.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool LooksLikeEscape(const QString& text, qsizetype i) {
    return text.at(i) == QLatin1Char('_') && i + 6 < text.size() && text.at(i + 1) == QLatin1Char('x') &&
           IsHexDigit(text.at(i + 2)) && IsHexDigit(text.at(i + 3)) && IsHexDigit(text.at(i + 4)) &&
           IsHexDigit(text.at(i + 5)) && text.at(i + 6) == QLatin1Char('_');
}

// Tab, line feed and carriage return are the only characters below 32 that XML holds.
bool XmlCannotHold(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
}

QString Escape(char16_t c) {
    return QStringLiteral("_x") + QString::number(uint(c), 16).rightJustified(4, QLatin1Char('0')).toUpper() +
           QLatin1Char('_');
}

} // namespace

QString WithoutLoneSurrogates(const QString& text) {
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isHighSurrogate() && i + 1 < result.size() && result.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            result[i] = QChar(kReplacement);
    }
    return result;
}

QString XlsxCellText(const QString& text) {
    const QString whole = WithoutLoneSurrogates(text);
    QString result;
    result.reserve(whole.size());
    for (qsizetype i = 0; i < whole.size(); ++i) {
        const char16_t c = whole.at(i).unicode();
        if (LooksLikeEscape(whole, i))
            result += QStringLiteral("_x005F_");
        else if (XmlCannotHold(c))
            result += Escape(c);
        else
            result += QChar(c);
    }
    return result;
}
