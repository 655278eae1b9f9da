#include "report/JobReport.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

const QStringList kRequiredSections{QStringLiteral("first"), QStringLiteral("bay"), QStringLiteral("end")};
const QRegularExpression kSectionLine(QStringLiteral("^\\s*<!--\\s*section\\s+(\\S+)\\s*-->\\s*$"));
const QRegularExpression kField(QStringLiteral("\\{\\{\\s*([^{}]*?)\\s*\\}\\}"));

// Millimetres of the page: margins, the running header and footer, a chart's height.
constexpr double kSideMm = 18;
constexpr double kTopMm = 12;
constexpr double kHeaderMm = 12;
constexpr double kFooterMm = 14;
constexpr double kChartMm = 62;

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QFont ReportFont(double pointSize) {
    QFont font;
    // AR PL UMing is TrueType: the PDF writer embeds it with its text, so the text searches.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSizeF(pointSize);
    return font;
}

// Fills a section: each field by its escaped value, or by the text a producer gives for it.
QString Fill(const QString& section, const std::function<QString(const QString&)>& value) {
    QString filled;
    qsizetype from = 0;
    for (auto it = kField.globalMatch(section); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        filled += section.mid(from, match.capturedStart() - from);
        filled += value(match.captured(1));
        from = match.capturedEnd();
    }
    return filled + section.mid(from);
}

QString Cell(const QString& text, const QString& style = {}) {
    return style.isEmpty()
               ? QStringLiteral("<td align=\"center\">%1</td>").arg(Escaped(text))
               : QStringLiteral("<td align=\"center\" class=\"%1\">%2</td>").arg(style, Escaped(text));
}

QString VerdictStyle(const std::optional<Verdict>& verdict) {
    if (verdict == Verdict::Fail)
        return QStringLiteral("fail");
    if (verdict == Verdict::Attention)
        return QStringLiteral("attention");
    return {};
}

QString SignatureImage(const QString& path) {
    return path.isEmpty() ? QString()
                          : QStringLiteral("<img src=\"%1\" height=\"36\"> ")
                                .arg(Escaped(QUrl::fromLocalFile(path).toString()));
}

// The HTML of each part of the report, one part at a time.
class ReportParts {
public:
    enum class Kind { First, Bay, Reasons, End, Appendix, Chart, EndMark };
    struct Part {
        Kind kind;
        int index = 0; // the bay or trend
        bool pageBreakBefore = false;
    };

    ReportParts(const JobReportContent& content, const ReportTemplate& form)
        : m_content(content), m_form(form) {
        m_parts.push_back({Kind::First, 0, false});
        for (int i = 0; i < int(content.bays.size()); ++i)
            m_parts.push_back({Kind::Bay, i, i == 0});
        bool reasons = false;
        for (const ReportBay& bay : content.bays)
            for (const ReportColumn& column : bay.columns)
                reasons = reasons || column.verdict >= Verdict::Attention;
        if (reasons)
            m_parts.push_back({Kind::Reasons, 0, false});
        m_parts.push_back({Kind::End, 0, content.bays.empty()});
        if (!content.trends.empty()) {
            m_parts.push_back({Kind::Appendix, 0, true});
            for (int i = 0; i < int(content.trends.size()); ++i)
                m_parts.push_back({Kind::Chart, i, false});
        }
        m_parts.push_back({Kind::EndMark, 0, false});
    }

    const std::vector<Part>& parts() const { return m_parts; }

    QString html(const Part& part) const {
        switch (part.kind) {
        case Kind::First:
            return first();
        case Kind::Bay:
            return bay(m_content.bays[size_t(part.index)]);
        case Kind::Reasons:
            return reasons();
        case Kind::End:
            return end();
        case Kind::Appendix:
            return section(QStringLiteral("appendix"));
        case Kind::Chart: {
            const ReportTrend& trend = m_content.trends[size_t(part.index)];
            return Fill(section(QStringLiteral("chart")), [&](const QString& field) {
                if (field == QLatin1String("device"))
                    return Escaped(trend.device);
                return Escaped(trend.limit ? QString::number(*trend.limit) + QStringLiteral(" μΩ")
                                           : QStringLiteral("—"));
            });
        }
        case Kind::EndMark:
            return QStringLiteral("<p align=\"center\">%1</p>")
                .arg(QCoreApplication::translate("JobReport", "（以下空白）"));
        }
        return {};
    }

private:
    QString section(const QString& name) const { return m_form.sections.value(name); }

    QString first() const {
        const TestJob& job = m_content.job;
        const std::optional<Instrument>& instrument = m_content.instrument;
        const auto day = [](const QDate& d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); };
        return Fill(section(QStringLiteral("first")), [&](const QString& field) -> QString {
            if (field == QLatin1String("criteria")) {
                QString rows;
                for (const ReportCriterion& criterion : m_content.criteria)
                    rows += Fill(section(QStringLiteral("criterion")), [&](const QString& f) {
                        return Escaped(f == QLatin1String("no")     ? criterion.number
                                       : f == QLatin1String("text") ? criterion.text
                                                                    : criterion.rule);
                    });
                return rows;
            }
            const QHash<QString, QString> values{
                {QStringLiteral("title"), JobReportTitle()},
                {QStringLiteral("number"), m_content.reportNumber()},
                {QStringLiteral("station"), job.station},
                {QStringLiteral("customer"), job.customer},
                {QStringLiteral("kind"), JobKindCaption(job.kind)},
                {QStringLiteral("basis"), job.basis},
                {QStringLiteral("first_day"), day(job.firstDay)},
                {QStringLiteral("last_day"), day(job.lastDay)},
                {QStringLiteral("weather"), job.weather},
                {QStringLiteral("temperature"), job.temperature},
                {QStringLiteral("humidity"), job.humidity},
                {QStringLiteral("testers"), job.testers},
                {QStringLiteral("instrument_model"), instrument ? instrument->model : QString()},
                {QStringLiteral("instrument_serial"), instrument ? instrument->serial : QString()},
                {QStringLiteral("certificate"), instrument ? instrument->certificate : QString()},
                {QStringLiteral("calibrated_on"), instrument ? day(instrument->calibratedOn) : QString()},
                {QStringLiteral("valid_until"), instrument ? day(instrument->validUntil) : QString()},
                {QStringLiteral("calibration_warning"), m_content.calibrationWarning},
                {QStringLiteral("revision_note"),
                 job.revisionNote.isEmpty()
                     ? QString()
                     : QCoreApplication::translate("JobReport", "%1：%2").arg(job.title(), job.revisionNote)},
            };
            return Escaped(values.value(field));
        });
    }

    QString bay(const ReportBay& bay) const {
        return Fill(section(QStringLiteral("bay")), [&](const QString& field) -> QString {
            if (field == QLatin1String("station"))
                return Escaped(bay.station);
            if (field == QLatin1String("bay"))
                return Escaped(bay.bay);
            const QString what = field.mid(int(qstrlen("phases:")));
            QString cells;
            for (const ReportColumn& column : bay.columns) {
                if (what == QLatin1String("verdict"))
                    cells += Cell(column.verdictText(), VerdictStyle(column.verdict));
                else
                    cells += Cell(what == QLatin1String("phase")        ? column.phase
                                  : what == QLatin1String("device")     ? column.device
                                  : what == QLatin1String("time")       ? column.testTime
                                  : what == QLatin1String("step")       ? column.step
                                  : what == QLatin1String("resistance") ? column.resistance
                                  : what == QLatin1String("limit")      ? column.limit
                                                                        : column.change);
            }
            return cells;
        });
    }

    QString reasons() const {
        QString rows;
        for (const ReportBay& bay : m_content.bays)
            for (const ReportColumn& column : bay.columns) {
                if (column.verdict < Verdict::Attention)
                    continue;
                rows += Fill(section(QStringLiteral("reason")), [&](const QString& field) {
                    if (field == QLatin1String("device"))
                        return Escaped(column.device);
                    if (field == QLatin1String("verdict"))
                        return Escaped(column.verdictText());
                    return Escaped(column.reasons.join(QCoreApplication::translate("JobReport", "；")));
                });
            }
        return Fill(section(QStringLiteral("reasons")), [&](const QString&) { return rows; });
    }

    QString end() const {
        const TestJob& job = m_content.job;
        return Fill(section(QStringLiteral("end")), [&](const QString& field) -> QString {
            if (field == QLatin1String("conclusion"))
                return Escaped(job.conclusion);
            if (field == QLatin1String("summary"))
                return Escaped(m_content.summary.text());
            if (field == QLatin1String("notes"))
                return Escaped(job.notes);
            static const QStringList roles{QStringLiteral("tested"), QStringLiteral("checked"),
                                           QStringLiteral("approved")};
            const int split = int(field.indexOf(QLatin1Char('_')));
            const qsizetype role = roles.indexOf(field.left(split));
            if (role < 0 || size_t(role) >= m_content.signers.size())
                return {};
            const ReportSigner& signer = m_content.signers[size_t(role)];
            const QString what = field.mid(split + 1);
            if (what == QLatin1String("sign"))
                return SignatureImage(signer.image);
            return Escaped(what == QLatin1String("by") ? signer.name : signer.day);
        });
    }

    const JobReportContent& m_content;
    const ReportTemplate& m_form;
    std::vector<Part> m_parts;
};

// The geometry of a page in device pixels.
struct PageGeometry {
    double dpi = 96;
    QRectF page;
    QRectF body;
    double mm(double millimetres) const { return millimetres * dpi / 25.4; }
};

PageGeometry GeometryOf(QPagedPaintDevice* device) {
    PageGeometry g;
    g.dpi = device->logicalDpiY();
    const QSizeF size = device->pageLayout().fullRectPixels(int(g.dpi)).size();
    g.page = QRectF(QPointF(0, 0), size);
    g.body = QRectF(g.mm(kSideMm), g.mm(kTopMm + kHeaderMm), size.width() - 2 * g.mm(kSideMm),
                    size.height() - g.mm(kTopMm + kHeaderMm + kFooterMm));
    return g;
}

// One part laid out for the device, to measure or to draw.
class LaidOut {
public:
    LaidOut(const QString& html, const ReportTemplate& form, QPagedPaintDevice* device, double width) {
        m_document.documentLayout()->setPaintDevice(device);
        m_document.setDefaultFont(ReportFont(10.5));
        m_document.setDocumentMargin(0);
        m_document.setDefaultStyleSheet(form.sections.value(QStringLiteral("style")));
        if (!form.fileName.isEmpty()) // a logo beside the user's template
            m_document.setMetaInformation(
                QTextDocument::DocumentUrl,
                QUrl::fromLocalFile(QFileInfo(form.fileName).absolutePath() + QLatin1Char('/')).toString());
        m_document.setHtml(html);
        m_document.setTextWidth(width);
    }
    double height() const { return m_document.size().height(); }
    void draw(QPainter& painter, const QRectF& clip) { m_document.drawContents(&painter, clip); }

private:
    QTextDocument m_document;
};

void DrawTrend(QPainter& painter, const ReportTrend& trend, const QRectF& area, const PageGeometry& g) {
    painter.save();
    const QRectF plot = area.adjusted(g.mm(16), g.mm(2), -g.mm(4), -g.mm(10));
    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::lowest();
    for (const ReportTrend::Series& series : trend.series)
        for (const auto& [at, value] : series.points) {
            low = std::min(low, value);
            high = std::max(high, value);
            first = std::min(first, at.toSecsSinceEpoch());
            last = std::max(last, at.toSecsSinceEpoch());
        }
    if (trend.limit) {
        low = std::min(low, *trend.limit);
        high = std::max(high, *trend.limit);
    }
    painter.setFont(ReportFont(8));
    painter.setPen(QPen(Qt::black, g.mm(0.2)));
    painter.drawRect(plot);
    if (low > high) {
        painter.drawText(plot, Qt::AlignCenter, QCoreApplication::translate("JobReport", "无可绘制的记录"));
        painter.restore();
        return;
    }
    const double pad = std::max((high - low) * 0.1, std::max(std::abs(high) * 0.05, 1.0));
    low = std::max(0.0, low - pad);
    high += pad;
    if (last <= first) {
        first -= 86400;
        last += 86400;
    }
    const auto x = [&](qint64 secs) {
        return plot.left() + plot.width() * double(secs - first) / double(last - first);
    };
    const auto y = [&](double value) { return plot.bottom() - plot.height() * (value - low) / (high - low); };
    for (int tick = 0; tick <= 4; ++tick) {
        const double value = low + (high - low) * tick / 4;
        painter.drawText(QRectF(area.left(), y(value) - g.mm(3), g.mm(15), g.mm(6)),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(value, 'f', 1));
    }
    const QString from = QDateTime::fromSecsSinceEpoch(first).toString(QStringLiteral("yyyy-MM-dd"));
    const QString to = QDateTime::fromSecsSinceEpoch(last).toString(QStringLiteral("yyyy-MM-dd"));
    painter.drawText(QRectF(plot.left(), plot.bottom() + g.mm(1), plot.width(), g.mm(5)), Qt::AlignLeft,
                     from);
    painter.drawText(QRectF(plot.left(), plot.bottom() + g.mm(1), plot.width(), g.mm(5)), Qt::AlignRight, to);
    painter.drawText(QRectF(plot.left(), plot.bottom() + g.mm(5), plot.width(), g.mm(5)), Qt::AlignCenter,
                     QCoreApplication::translate("JobReport", "回路电阻(μΩ)"));
    if (trend.limit) {
        painter.setPen(QPen(QColor(0xc0, 0, 0), g.mm(0.3), Qt::DashLine));
        painter.drawLine(QPointF(plot.left(), y(*trend.limit)), QPointF(plot.right(), y(*trend.limit)));
    }
    static const QColor colours[] = {QColor(0x1f, 0x4e, 0x9a), QColor(0x2a, 0x8a, 0x3a),
                                     QColor(0x8a, 0x4a, 0x9a), QColor(0x9a, 0x6a, 0x1a)};
    int n = 0;
    for (const ReportTrend::Series& series : trend.series) {
        const QColor colour = colours[n % 4];
        painter.setPen(QPen(colour, g.mm(0.35)));
        painter.setBrush(colour);
        QPainterPath line;
        for (size_t i = 0; i < series.points.size(); ++i) {
            const QPointF point(x(series.points[i].first.toSecsSinceEpoch()), y(series.points[i].second));
            i == 0 ? line.moveTo(point) : line.lineTo(point);
            painter.drawEllipse(point, g.mm(0.6), g.mm(0.6));
        }
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(line);
        painter.drawText(QRectF(plot.left() + g.mm(2), plot.top() + g.mm(1 + 4 * n), plot.width(), g.mm(4)),
                         Qt::AlignLeft, QStringLiteral("%1 A").arg(series.stepAmperes));
        ++n;
    }
    painter.restore();
}

void DrawFrame(QPainter& painter, const JobReportContent& content, const PageGeometry& g, int page,
               int pages) {
    painter.save();
    if (content.draft()) {
        painter.save();
        painter.translate(g.page.center());
        painter.rotate(-35);
        QFont big = ReportFont(110);
        painter.setFont(big);
        painter.setPen(QColor(0, 0, 0, 38));
        painter.drawText(
            QRectF(-g.page.width(), -g.page.height() / 4, 2 * g.page.width(), g.page.height() / 2),
            Qt::AlignCenter, QCoreApplication::translate("JobReport", "草稿"));
        painter.restore();
    }
    painter.setFont(ReportFont(9));
    painter.setPen(QPen(Qt::black, g.mm(0.2)));
    const QRectF header(g.body.left(), g.mm(kTopMm), g.body.width(), g.mm(kHeaderMm - 3));
    painter.drawText(header, Qt::AlignLeft | Qt::AlignBottom, JobReportTitle());
    painter.drawText(header, Qt::AlignRight | Qt::AlignBottom,
                     QCoreApplication::translate("JobReport", "报告编号：%1").arg(content.reportNumber()));
    painter.drawLine(QPointF(g.body.left(), header.bottom() + g.mm(1)),
                     QPointF(g.body.right(), header.bottom() + g.mm(1)));
    const QRectF footer(g.body.left(), g.body.bottom() + g.mm(4), g.body.width(), g.mm(6));
    painter.drawText(footer, Qt::AlignCenter,
                     QCoreApplication::translate("JobReport", "第 %1 页 共 %2 页").arg(page).arg(pages));
    painter.restore();
}

} // namespace

QString UserTemplatePath(const QString& dataFolder, UiLanguage language) {
    return QDir(dataFolder)
        .filePath(language == UiLanguage::English ? QStringLiteral("report-template-en.html")
                                                  : QStringLiteral("报告模板.html"));
}

QString BuiltInTemplateText(UiLanguage language) {
    QFile file(language == UiLanguage::English ? QStringLiteral(":/jobreport/JobReportTemplate_en.html")
                                               : QStringLiteral(":/jobreport/JobReportTemplate.html"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

const QHash<QString, QStringList>& ReportTemplateFields() {
    static const QHash<QString, QStringList> fields{
        {QStringLiteral("style"), {}},
        {QStringLiteral("first"),
         {QStringLiteral("title"),
          QStringLiteral("number"),
          QStringLiteral("station"),
          QStringLiteral("customer"),
          QStringLiteral("kind"),
          QStringLiteral("basis"),
          QStringLiteral("first_day"),
          QStringLiteral("last_day"),
          QStringLiteral("weather"),
          QStringLiteral("temperature"),
          QStringLiteral("humidity"),
          QStringLiteral("testers"),
          QStringLiteral("instrument_model"),
          QStringLiteral("instrument_serial"),
          QStringLiteral("certificate"),
          QStringLiteral("calibrated_on"),
          QStringLiteral("valid_until"),
          QStringLiteral("calibration_warning"),
          QStringLiteral("revision_note"),
          QStringLiteral("criteria")}},
        {QStringLiteral("criterion"), {QStringLiteral("no"), QStringLiteral("text"), QStringLiteral("rule")}},
        {QStringLiteral("bay"),
         {QStringLiteral("station"), QStringLiteral("bay"), QStringLiteral("phases:phase"),
          QStringLiteral("phases:device"), QStringLiteral("phases:time"), QStringLiteral("phases:step"),
          QStringLiteral("phases:resistance"), QStringLiteral("phases:limit"),
          QStringLiteral("phases:change"), QStringLiteral("phases:verdict")}},
        {QStringLiteral("reasons"), {QStringLiteral("reasons")}},
        {QStringLiteral("reason"),
         {QStringLiteral("device"), QStringLiteral("verdict"), QStringLiteral("reasons")}},
        {QStringLiteral("end"),
         {QStringLiteral("conclusion"), QStringLiteral("summary"), QStringLiteral("notes"),
          QStringLiteral("tested_by"), QStringLiteral("tested_on"), QStringLiteral("tested_sign"),
          QStringLiteral("checked_by"), QStringLiteral("checked_on"), QStringLiteral("checked_sign"),
          QStringLiteral("approved_by"), QStringLiteral("approved_on"), QStringLiteral("approved_sign")}},
        {QStringLiteral("appendix"), {}},
        {QStringLiteral("chart"), {QStringLiteral("device"), QStringLiteral("limit")}},
    };
    return fields;
}

Result<ReportTemplate> ParseReportTemplate(const QString& text) {
    const auto failure = [](int line, const QString& what) {
        return Outcome::Failure(QCoreApplication::translate("JobReport", "第 %1 行：%2").arg(line).arg(what));
    };
    ReportTemplate form;
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString current;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const int number = i + 1;
        if (const QRegularExpressionMatch marker = kSectionLine.match(line); marker.hasMatch()) {
            current = marker.captured(1);
            if (!ReportTemplateFields().contains(current))
                return failure(number, QCoreApplication::translate("JobReport", "未知的段“%1”").arg(current));
            if (form.sections.contains(current))
                return failure(number, QCoreApplication::translate("JobReport", "段“%1”重复").arg(current));
            form.sections.insert(current, QString());
            continue;
        }
        if (current.isEmpty())
            continue; // what comes before the first section is a note for the reader
        const QStringList& known = ReportTemplateFields().value(current);
        for (auto it = kField.globalMatch(line); it.hasNext();) {
            const QString field = it.next().captured(1);
            if (!known.contains(field))
                return failure(
                    number,
                    QCoreApplication::translate("JobReport", "段“%1”中没有字段“%2”").arg(current, field));
        }
        if (QString(line).remove(kField).contains(QStringLiteral("{{")) ||
            QString(line).remove(kField).contains(QStringLiteral("}}")))
            return failure(number, QCoreApplication::translate("JobReport", "“{{”与“}}”不成对"));
        form.sections[current] += line + QLatin1Char('\n');
    }
    for (const QString& required : kRequiredSections)
        if (!form.sections.contains(required))
            return failure(int(lines.size()),
                           QCoreApplication::translate("JobReport", "缺少段“%1”").arg(required));
    return form;
}

ReportTemplate LoadReportTemplate(const QString& dataFolder, UiLanguage language) {
    Result<ReportTemplate> builtIn = ParseReportTemplate(BuiltInTemplateText(language));
    Q_ASSERT(builtIn);
    const QString path = UserTemplatePath(dataFolder, language);
    QFile file(path);
    if (!file.exists())
        return *builtIn;
    QString problem;
    if (!file.open(QIODevice::ReadOnly)) {
        problem = file.errorString();
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(file.readAll());
        if (utf8.hasError()) {
            problem = QCoreApplication::translate("JobReport", "不是 UTF-8 编码的文本");
        } else {
            Result<ReportTemplate> own = ParseReportTemplate(text);
            if (own) {
                own->fileName = path;
                return *own;
            }
            problem = own.reason();
        }
    }
    builtIn->problem = QCoreApplication::translate("JobReport", "报告模板“%1”有误（%2），已改用内置模板。")
                           .arg(QDir::toNativeSeparators(path), problem);
    return *builtIn;
}

int DrawJobReport(const JobReportContent& content, const ReportTemplate& form, QPagedPaintDevice* device,
                  const WorkControl& control) {
    const PageGeometry g = GeometryOf(device);
    const ReportParts parts(content, form);
    const double chartHeight = g.mm(kChartMm);
    const auto partHeight = [&](const ReportParts::Part& part, double laidOut) {
        return laidOut + (part.kind == ReportParts::Kind::Chart ? chartHeight : 0) + g.mm(3);
    };

    // First pass: each part's height and its page, one part laid out at a time.
    struct Placed {
        int page;
        double top;
    };
    std::vector<Placed> placed;
    placed.reserve(parts.parts().size());
    int page = 1;
    double y = 0;
    for (const ReportParts::Part& part : parts.parts()) {
        if (control.stopped())
            return 0;
        const double height =
            partHeight(part, LaidOut(parts.html(part), form, device, g.body.width()).height());
        if ((part.pageBreakBefore && y > 0) || (y > 0 && y + height > g.body.height())) {
            ++page;
            y = 0;
        }
        placed.push_back({page, y});
        y += height;
        // A part taller than a page goes on over the next pages.
        while (y > g.body.height()) {
            ++page;
            y -= g.body.height();
        }
    }
    const int pages = page;

    // Second pass: page by page, laying out again only the parts of the page being drawn.
    QPainter painter;
    if (!painter.begin(device))
        return 0;
    size_t next = 0;
    for (int p = 1; p <= pages; ++p) {
        control.report(p - 1, pages);
        if (control.stopped() || (p > 1 && !device->newPage()))
            return 0;
        DrawFrame(painter, content, g, p, pages);
        // The parts that start on this page, and one that started earlier and goes on here.
        for (size_t k = next > 0 ? next - 1 : 0; k < parts.parts().size() && placed[k].page <= p; ++k) {
            const ReportParts::Part& part = parts.parts()[k];
            LaidOut laid(parts.html(part), form, device, g.body.width());
            const double height = partHeight(part, laid.height());
            // Where the part's top lies relative to this page's body.
            const double top = placed[k].top - (p - placed[k].page) * g.body.height();
            if (top + height <= 0)
                continue;
            painter.save();
            painter.setClipRect(g.body.adjusted(0, 0, 0, 1));
            painter.translate(g.body.left(), g.body.top() + top);
            laid.draw(painter, QRectF(0, std::max(0.0, -top), g.body.width(), g.body.height()));
            if (part.kind == ReportParts::Kind::Chart)
                DrawTrend(painter, content.trends[size_t(part.index)],
                          QRectF(0, laid.height(), g.body.width(), chartHeight), g);
            painter.restore();
            if (placed[k].page == p)
                next = k + 1;
        }
    }
    painter.end();
    control.report(pages, pages);
    return pages;
}

Outcome WriteJobReportPdf(const JobReportContent& content, const ReportTemplate& form,
                          const QString& fileName, const WorkControl& control) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return Outcome::Failure(QCoreApplication::translate("JobReport", "PDF文件“%1”不能写入（%2）。")
                                    .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(96);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        writer.setTitle(QStringLiteral("%1 %2").arg(JobReportTitle(), content.reportNumber()));
        writer.setCreator(QStringLiteral("Ohmara"));
        pages = DrawJobReport(content, form, &writer, control);
    }
    if (control.stopped())
        return Outcome::Failure({}); // the old file stays
    if (pages == 0 || !file.commit())
        return Outcome::Failure(QCoreApplication::translate("JobReport", "PDF文件“%1”不能写入（%2）。")
                                    .arg(QDir::toNativeSeparators(fileName), file.errorString()));
    return {};
}
