#include "ui/TablePdf.h"

#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <numeric>

namespace {

constexpr int kDpi = 150;
constexpr int kMargin = 60;
constexpr int kRowHeight = 34;
constexpr int kTitleHeight = 70;

QFont TableFont(double points, bool bold = false) {
    // A Song face by name: its character map gives PDF readers the very texts drawn.
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

void DrawRow(QPainter& painter, const QRect& area, int top, const std::vector<int>& widths,
             const QStringList& cells, const QColor& background) {
    int x = area.left();
    const QFontMetrics metrics(painter.font());
    for (size_t c = 0; c < widths.size(); ++c) {
        const QRect cell(x, top, widths[c], kRowHeight);
        if (background.isValid())
            painter.fillRect(cell, background);
        painter.drawRect(cell);
        const QString text = metrics.elidedText(cells.value(qsizetype(c)), Qt::ElideRight, widths[c] - 8);
        painter.drawText(cell.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        x += widths[c];
    }
}

} // namespace

bool WriteTablePdf(const QString& fileName, const TablePdfLayout& layout, const TableRowSource& rows,
                   QString* reason) {
    QPdfWriter writer(fileName);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageOrientation(layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    writer.setResolution(kDpi);
    writer.setTitle(layout.title);
    QPainter painter;
    if (!painter.begin(&writer)) {
        *reason = QStringLiteral("无法写入文件");
        return false;
    }
    const QRect area = painter.viewport().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int total = std::accumulate(layout.weights.begin(), layout.weights.end(), 0);
    std::vector<int> widths;
    for (const int weight : layout.weights)
        widths.push_back(area.width() * weight / std::max(total, 1));
    const int rowsPerPage = std::max(1, (area.height() - kTitleHeight) / kRowHeight - 2);
    int page = 0;
    QStringList cells;
    qint64 row = 0;
    bool more = rows(row, &cells);
    do {
        if (page > 0)
            writer.newPage();
        ++page;
        painter.setFont(TableFont(14, true));
        painter.drawText(QRect(area.left(), area.top(), area.width(), kTitleHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, layout.title);
        painter.setFont(TableFont(8));
        painter.drawText(QRect(area.left(), area.top(), area.width(), kTitleHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("第 %1 页").arg(page));
        int top = area.top() + kTitleHeight;
        painter.setFont(TableFont(9, true));
        DrawRow(painter, area, top, widths, layout.headers, QColor(0xE8, 0xE8, 0xE8));
        painter.setFont(TableFont(9));
        for (int i = 0; i < rowsPerPage && more; ++i) {
            top += kRowHeight;
            DrawRow(painter, area, top, widths, cells, layout.rowColour ? layout.rowColour(cells) : QColor());
            cells.clear();
            more = rows(++row, &cells);
        }
    } while (more);
    if (!painter.end()) {
        *reason = QStringLiteral("无法写入文件");
        return false;
    }
    return true;
}
