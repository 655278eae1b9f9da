#include "ui/TestParams.h"

#include "core/GbkText.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"

#include <QCoreApplication>
#include <limits>

namespace {

QString Retype() {
    return QCoreApplication::translate("TestParams", "\r\r请重新输入！");
}

int DigitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::optional<int> ParseWholeNumber(const QString& text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    int base = 10;
    if (text.mid(i, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text.at(i) == u'$' || text.at(i) == u'x' || text.at(i) == u'X')) {
        base = 16;
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    int64_t magnitude = 0;
    const int64_t limit = int64_t(std::numeric_limits<int>::max()) + (negative ? 1 : 0);
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text.at(i), base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return int(negative ? -magnitude : magnitude);
}

std::optional<int> ParseTestTime(const QString& text) {
    const std::optional<int> value = ParseWholeNumber(TrimText(text));
    if (!value || *value < kMinTestTime || *value > kMaxTestTime)
        return std::nullopt;
    return value;
}

QStringList OfferedSteps(const std::array<uint8_t, 22>& flags) {
    QStringList steps;
    for (int code : StepCodesByCurrent()) {
        const QString text = OfferedStepText(flags[size_t(code - 1)], unsigned(code));
        if (!text.isEmpty())
            steps.append(text);
    }
    return steps;
}

int PreselectedStep(const QStringList& steps, const QString& savedStep) {
    if (steps.isEmpty())
        return -1;
    qsizetype index = steps.indexOf(savedStep);
    if (index < 0)
        index = steps.indexOf(kDefaultStepText);
    return index < 0 ? 0 : int(index);
}

QStringList TestTimeTexts() {
    QStringList texts;
    for (int seconds = kMinTestTime; seconds <= kMaxTestTime; ++seconds)
        texts.append(QString::number(seconds));
    return texts;
}

bool FitsShortText(const QString& trimmed) {
    return Gbk::byteLength(trimmed) <= kShortTextBytes;
}

QString TestTimeMessage() {
    return QCoreApplication::translate("TestParams", "“时间”范围在5~60 秒之间！") + Retype();
}

QString StepMessage() {
    return QCoreApplication::translate("TestParams", "请正确选择“电流档位”！");
}

QString ShortTextMessage(const QString& fieldName) {
    return QCoreApplication::translate("TestParams", "“%1”字符数应在20个字符以内").arg(fieldName) + Retype();
}
