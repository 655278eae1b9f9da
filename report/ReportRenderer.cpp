// Runs the report onto paged devices: the preview's printer, a real printer, a PDF file. Layout is
// done in millimetres from the paper's top-left corner; each pass asks QRSubDetail1NeedData for
// rows until it says there are none, which also rewinds the report for the next pass.
#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/UQRMain.h"

#include <QGlyphRun>
#include <QPageLayout>
#include <QPageRanges>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextLayout>
#include <algorithm>
#include <functional>
#include <vector>

using namespace ReportGeometry;

namespace {

// One painter over a paged device, shared by every pass (copy) of a print job.
class ReportOutput {
public:
    explicit ReportOutput(QPagedPaintDevice* device) : m_device(device) {
        const QPageLayout layout = device->pageLayout();
        const QRectF paper = layout.fullRect(QPageLayout::Millimeter);
        m_paperWidth = paper.width();
        m_paperHeight = paper.height();
        m_dotsPerMmX = device->logicalDpiX() / 25.4;
        m_dotsPerMmY = device->logicalDpiY() / 25.4;
        // The painter's origin is the corner of the printable area; draw from the paper's corner.
        const QRectF paint = layout.paintRect(QPageLayout::Millimeter);
        m_originX = paint.left();
        m_originY = paint.top();
    }
    ~ReportOutput() { finish(); }
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // Starts a page that is to be painted; false when the device refuses to paint.
    bool beginPage() {
        if (m_failed)
            return false;
        if (!m_painter.isActive()) {
            if (!m_painter.begin(m_device)) {
                m_failed = true;
                return false;
            }
        } else if (!m_device->newPage()) {
            m_failed = true;
            return false;
        }
        ++m_pagesPainted;
        return true;
    }
    void finish() {
        if (m_painter.isActive())
            m_painter.end();
    }
    bool failed() const { return m_failed; }
    int pagesPainted() const { return m_pagesPainted; }

    QPainter& painter() { return m_painter; }
    QPagedPaintDevice* device() const { return m_device; }
    double paperHeight() const { return m_paperHeight; }
    double paperWidth() const { return m_paperWidth; }
    double x(double mm) const { return (mm - m_originX) * m_dotsPerMmX; }
    double y(double mm) const { return (mm - m_originY) * m_dotsPerMmY; }
    double dotsX(double mm) const { return mm * m_dotsPerMmX; }
    double dotsY(double mm) const { return mm * m_dotsPerMmY; }
    double mmY(double dots) const { return dots / m_dotsPerMmY; }

private:
    QPagedPaintDevice* m_device;
    QPainter m_painter;
    double m_paperWidth = 0, m_paperHeight = 0;
    double m_dotsPerMmX = 1, m_dotsPerMmY = 1;
    double m_originX = 0, m_originY = 0;
    bool m_failed = false;
    int m_pagesPainted = 0;
};

using PageFilter = std::function<bool(int page)>;

// One pass over the report from its first row to its last.
class ReportPass {
public:
    ReportPass(TQRMain& report, ReportOutput& output, PageFilter wanted)
        : m_report(report), m_out(output), m_wanted(std::move(wanted)) {}

    int run() {
        int rowsOnPage = 0;
        startPage();
        bool more = false;
        for (;;) {
            m_report.QRSubDetail1NeedData(nullptr, more);
            if (!more)
                break;
            const double height = rowHeight();
            if (rowsOnPage > 0 && m_top + height > footerTop()) {
                finishPage();
                startPage();
                rowsOnPage = 0;
            }
            drawRow(height);
            m_top += height;
            ++rowsOnPage;
        }
        finishPage();
        return m_page;
    }

private:
    double footerTop() const { return m_out.paperHeight() - kPaperMargin - m_report.PageFooterBand1.height; }

    void startPage() {
        ++m_page;
        m_top = kPaperMargin;
        m_painting = m_wanted(m_page) && m_out.beginPage();
        if (m_page == 1) {
            drawBand(m_report.TitleBand1, m_report.TitleBand1.height,
                     {&m_report.QRLabel1, &m_report.QRLabel2});
            m_top += m_report.TitleBand1.height;
        }
        const auto captions = m_report.CaptionLabels();
        drawBand(m_report.GroupHeaderBand1, m_report.GroupHeaderBand1.height,
                 std::vector<const ReportLabel*>(captions.begin(), captions.end()));
        m_top += m_report.GroupHeaderBand1.height;
    }

    void finishPage() {
        m_report.QRSysData2.caption = QString::number(m_page);
        m_top = footerTop();
        drawBand(m_report.PageFooterBand1, m_report.PageFooterBand1.height,
                 {&m_report.QRSysData2, &m_report.QRLCoop, &m_report.QRLTel});
    }

    // One line of text fits the row band as designed; every further wrapped line makes it taller.
    double rowHeight() {
        int lines = 1;
        double lineStep = 0;
        for (const ReportLabel* label : m_report.ValueLabels()) {
            QTextLayout layout(LayoutText(label->caption), label->font, m_out.device());
            const int labelLines = layOut(layout, *label);
            if (labelLines > lines) {
                lines = labelLines;
                lineStep = QFontMetricsF(label->font, m_out.device()).lineSpacing();
            }
        }
        return m_report.QRSubDetail1.height + m_out.mmY((lines - 1) * lineStep);
    }

    void drawRow(double height) {
        const auto values = m_report.ValueLabels();
        const double room = footerTop() - m_top;
        if (m_painting && height > room)
            m_out.painter().setClipRect(
                QRectF(m_out.x(kPaperMargin), m_out.y(m_top), m_out.dotsX(kBandWidth), m_out.dotsY(room)));
        drawBand(m_report.QRSubDetail1, height,
                 std::vector<const ReportLabel*>(values.begin(), values.end()));
        if (m_painting)
            m_out.painter().setClipping(false);
    }

    // Lays the label's text out in its width (or the band's, for a label without one) and
    // returns the number of lines. Lines sit on the baselines of the label's own font, so that
    // glyphs taken from a fallback face (Chinese in an Arial label) do not shift a line down.
    int layOut(QTextLayout& layout, const ReportLabel& label) const {
        QTextOption option(label.alignment);
        option.setWrapMode(label.width > 0 ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
        layout.setTextOption(option);
        const QFontMetricsF metrics(label.font, m_out.device());
        const double lineWidth = m_out.dotsX(label.width > 0 ? label.width : labelSpan(label));
        int lines = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0, lines * metrics.lineSpacing() + metrics.ascent() - line.ascent()));
            ++lines;
        }
        layout.endLayout();
        return lines;
    }

    // A line break in a value (CR LF, LF or CR, from a workbook) breaks the printed line there.
    static QString LayoutText(QString text) {
        text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
        text.replace(QLatin1Char('\r'), QChar::LineSeparator);
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        return text;
    }

    static double labelSpan(const ReportLabel& label) {
        return label.alignment & Qt::AlignLeft ? kBandWidth - label.left : kBandWidth;
    }

    void drawBand(const ReportBand& band, double height, const std::vector<const ReportLabel*>& labels) {
        if (!m_painting)
            return;
        QPainter& painter = m_out.painter();
        const double left = m_out.x(kPaperMargin);
        const double right = m_out.x(kPaperMargin + kBandWidth);
        if (band.frameTop || band.frameBottom) {
            painter.setPen(QPen(Qt::black, m_out.dotsX(kFrameLineWidth)));
            if (band.frameTop)
                painter.drawLine(QPointF(left, m_out.y(m_top)), QPointF(right, m_out.y(m_top)));
            if (band.frameBottom)
                painter.drawLine(QPointF(left, m_out.y(m_top + height)),
                                 QPointF(right, m_out.y(m_top + height)));
        }
        painter.setPen(Qt::black);
        for (const ReportLabel* label : labels) {
            if (label->caption.isEmpty())
                continue;
            QTextLayout layout(LayoutText(label->caption), label->font, m_out.device());
            layOut(layout, *label);
            const double labelLeft = label->alignment & Qt::AlignLeft ? label->left : 0.0;
            // Glyph runs keep every glyph on the line's baseline also where the device records
            // text for later (the preview), which otherwise drops glyphs of a fallback face.
            const QPointF origin(m_out.x(kPaperMargin + labelLeft), m_out.y(m_top + label->top));
            for (const QGlyphRun& run : layout.glyphRuns())
                painter.drawGlyphRun(origin, run);
        }
    }

    TQRMain& m_report;
    ReportOutput& m_out;
    PageFilter m_wanted;
    int m_page = 0;
    double m_top = 0;
    bool m_painting = false;
};

bool AllPages(int) {
    return true;
}

} // namespace

int TQRMain::RenderPages(QPagedPaintDevice* device) {
    ReportOutput output(device);
    const int pages = ReportPass(*this, output, AllPages).run();
    output.finish();
    return output.failed() ? 0 : pages;
}

bool TQRMain::Print(QPrinter* printer) {
    PageFilter wanted = AllPages;
    if (printer->printRange() == QPrinter::PageRange && !printer->pageRanges().isEmpty()) {
        const QPageRanges ranges = printer->pageRanges();
        wanted = [ranges](int page) { return ranges.contains(page); };
    }
    // Where the printer cannot make copies itself, every copy is one more pass over the report.
    const int copies = printer->supportsMultipleCopies() ? 1 : std::max(1, printer->copyCount());
    ReportOutput output(printer);
    for (int copy = 0; copy < copies && !output.failed(); ++copy)
        ReportPass(*this, output, wanted).run();
    output.finish();
    return !output.failed();
}

Outcome TQRMain::ExportPdf(const QString& fileName) {
    WholeFile file(fileName);
    if (Outcome opened = file.open(); !opened)
        return opened;
    {
        QPdfWriter writer(&file.device());
        const QPageLayout layout = Printer()->pageLayout();
        writer.setPageLayout(QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF()));
        writer.setTitle(ReportTitle());
        writer.setCreator(AppTitle());
        if (RenderPages(&writer) == 0)
            return Outcome::Failure(file.device().errorString());
    }
    return file.commit();
}
