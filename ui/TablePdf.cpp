#include "ui/TablePdf.h"

#include "core/WholeFile.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextOption>
#include <cmath>
#include <numeric>

namespace {

constexpr int kDpi = 150;
constexpr int kMargin = 60;
constexpr int kRowHeight = 34;
constexpr int kTitleHeight = 70;
constexpr int kPadding = 4;

QFont TableFont(double points, bool bold = false) {
    // A Song face by name: its character map gives PDF readers the very texts drawn.
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QTextOption CellOption() {
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// The height a row needs for its cells wrapped in their columns, at most maxHeight.
int RowHeight(QPainter& painter, const std::vector<int>& widths, const QStringList& cells, int maxHeight) {
    const QTextOption option = CellOption();
    int height = kRowHeight;
    for (size_t c = 0; c < widths.size(); ++c) {
        const QRectF room(0, 0, widths[c] - 2 * kPadding, maxHeight);
        const QRectF needed = painter.boundingRect(room, cells.value(qsizetype(c)), option);
        height = std::max(height, int(std::ceil(needed.height())) + 2 * kPadding);
    }
    return std::min(height, maxHeight);
}

void DrawRow(QPainter& painter, const QRect& area, int top, int height, const std::vector<int>& widths,
             const QStringList& cells, const QColor& background) {
    int x = area.left();
    const QTextOption option = CellOption();
    for (size_t c = 0; c < widths.size(); ++c) {
        const QRect cell(x, top, widths[c], height);
        if (background.isValid())
            painter.fillRect(cell, background);
        painter.drawRect(cell);
        painter.save();
        painter.setClipRect(cell);
        painter.drawText(QRectF(cell.adjusted(kPadding, kPadding, -kPadding, -kPadding)),
                         cells.value(qsizetype(c)), option);
        painter.restore();
        x += widths[c];
    }
}

// "无法写入文件" (the painter could not write the file).
Outcome CannotWrite() {
    return Outcome::Failure(FailureKind::Io, QCoreApplication::translate("TablePdf", "无法写入文件"));
}
// "无法写入文件（…）", with the file's own reason, of its kind.
Outcome CannotWrite(const Outcome& failure) {
    return Outcome::Failure(
        failure.kind(), QCoreApplication::translate("TablePdf", "无法写入文件（%1）").arg(failure.reason()),
        failure.detail());
}

} // namespace

Outcome WriteTablePdf(const QString& fileName, const TablePdfLayout& layout, const TableRowSource& rows,
                      std::stop_token stop) {
    WholeFile file(fileName);
    if (const Outcome opened = file.open(); !opened)
        return CannotWrite(opened);
    bool drawn = false;
    {
        QPdfWriter writer(&file.device());
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(layout.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        writer.setResolution(kDpi);
        writer.setTitle(layout.title);
        QPainter painter;
        if (!painter.begin(&writer))
            return CannotWrite();
        const QRect area = painter.viewport().adjusted(kMargin, kMargin, -kMargin, -kMargin);
        const int total = std::accumulate(layout.weights.begin(), layout.weights.end(), 0);
        std::vector<int> widths;
        for (const int weight : layout.weights)
            widths.push_back(area.width() * weight / std::max(total, 1));
        // A row taller than a page's room is cut at the page's foot.
        const int bodyHeight = area.height() - kTitleHeight - kRowHeight;
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
                             Qt::AlignRight | Qt::AlignVCenter,
                             QCoreApplication::translate("TablePdf", "第 %1 页").arg(page));
            int top = area.top() + kTitleHeight;
            painter.setFont(TableFont(9, true));
            DrawRow(painter, area, top, kRowHeight, widths, layout.headers, QColor(0xE8, 0xE8, 0xE8));
            top += kRowHeight;
            painter.setFont(TableFont(9));
            bool pageHasRows = false;
            while (more && !stop.stop_requested()) {
                const int height = RowHeight(painter, widths, cells, bodyHeight);
                if (pageHasRows && top + height > area.bottom())
                    break;
                DrawRow(painter, area, top, height, widths, cells,
                        layout.rowColour ? layout.rowColour(cells) : QColor());
                top += height;
                pageHasRows = true;
                cells.clear();
                more = rows(++row, &cells);
            }
        } while (more && !stop.stop_requested());
        drawn = painter.end();
    }
    if (stop.stop_requested())
        return Outcome::Failure(FailureKind::Cancelled, {}); // the old file stays
    if (!drawn)
        return CannotWrite();
    if (const Outcome committed = file.commit(); !committed)
        return CannotWrite(committed);
    return {};
}
