#pragma once
// Reading a report back from its PDF with poppler's command-line tools: the text of a page, the
// page count, and every word with its box (in points from the page's top-left corner).
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace ReportPdf {

constexpr double kPointsPerMm = 72.0 / 25.4;

struct Word {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

inline QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished() || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline int PageCount(const QString& pdf) {
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const QRegularExpressionMatch match = pages.match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

inline QString PageText(const QString& pdf, int page) {
    const QString n = QString::number(page);
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"), n,
                                             QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
}

inline QList<Word> PageWords(const QString& pdf, int page) {
    const QString n = QString::number(page);
    const QString html =
        Run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), n,
                                          QStringLiteral("-l"), n, pdf, QStringLiteral("-")});
    static const QRegularExpression word(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString text = m.captured(5);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words.append({text, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                      m.captured(4).toDouble()});
    }
    return words;
}

// The words whose left edge lies in [leftMm, rightMm) and top in [topMm, bottomMm), top to bottom.
inline QList<Word> WordsIn(const QList<Word>& words, double leftMm, double rightMm, double topMm = 0,
                           double bottomMm = 1e6) {
    QList<Word> found;
    for (const Word& w : words)
        if (w.xMin >= leftMm * kPointsPerMm && w.xMin < rightMm * kPointsPerMm &&
            w.yMin >= topMm * kPointsPerMm && w.yMin < bottomMm * kPointsPerMm)
            found.append(w);
    std::stable_sort(found.begin(), found.end(),
                     [](const Word& a, const Word& b) { return a.yMin < b.yMin; });
    return found;
}

inline QStringList Texts(const QList<Word>& words) {
    QStringList texts;
    for (const Word& w : words)
        texts.append(w.text);
    return texts;
}

// The words grouped into lines (tops within 2 pt), each line's words left to right joined by one blank.
inline QStringList Lines(QList<Word> words) {
    std::stable_sort(words.begin(), words.end(),
                     [](const Word& a, const Word& b) { return a.yMin < b.yMin; });
    QStringList lines;
    for (qsizetype first = 0; first < words.size();) {
        qsizetype end = first + 1;
        while (end < words.size() && words[end].yMin - words[first].yMin < 2.0)
            ++end;
        QList<Word> line = words.mid(first, end - first);
        std::stable_sort(line.begin(), line.end(),
                         [](const Word& a, const Word& b) { return a.xMin < b.xMin; });
        lines.append(Texts(line).join(QLatin1Char(' ')));
        first = end;
    }
    return lines;
}

} // namespace ReportPdf
