#include "ui/GridCellPainter.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QRect>

namespace {

// Fixed cells draw their text two pixels left of the centre.
constexpr int kFixedTextShift = 2;
constexpr QColor kOverLimitColour(0xD0, 0x00, 0x00);
constexpr QColor kAttentionColour(0xFF, 0xC8, 0x3C);
// In the selected row the limit and attention marks are a frame inside the highlighted cell.
constexpr int kMarkFrame = 3;

void DrawCentredText(QPainter& painter, const QRect& rect, const QString& text, int shift) {
    const QFontMetrics metrics(painter.font());
    const int x = rect.left() + (rect.width() - metrics.horizontalAdvance(text)) / 2 - shift;
    const int y = rect.top() + (rect.height() - metrics.height()) / 2;
    painter.drawText(x, y + metrics.ascent(), text);
}

void DrawRaisedCell(QPainter& painter, const QRect& rect, const QString& text, const QPalette& palette) {
    // The edges lie inside the cell: the view draws its grid lines after the cells, and a black
    // edge on the grid line would be painted over.
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width() - 1;
    const int bottom = rect.top() + rect.height() - 1;
    painter.fillRect(rect, palette.color(QPalette::Button));
    painter.setPen(Qt::white);
    painter.drawLine(left, bottom, left, top);
    painter.drawLine(left, top, right, top);
    painter.setPen(Qt::black);
    painter.drawLine(right, top, right, bottom);
    painter.drawLine(right, bottom, left, bottom);
    painter.setClipRect(rect, Qt::IntersectClip);
    DrawCentredText(painter, rect, text, kFixedTextShift);
}

void DrawDataCell(QPainter& painter, const QRect& rect, const QString& text, CellLook look,
                  const QPalette& palette) {
    const bool highlighted = look == CellLook::Highlighted || look == CellLook::HighlightedOverLimit ||
                             look == CellLook::HighlightedAttention;
    if (look == CellLook::OverLimit)
        painter.fillRect(rect, kOverLimitColour);
    else if (look == CellLook::Attention)
        painter.fillRect(rect, kAttentionColour);
    else
        painter.fillRect(rect, palette.color(highlighted ? QPalette::Highlight : QPalette::Base));
    if (look == CellLook::HighlightedOverLimit || look == CellLook::HighlightedAttention) {
        const QColor mark = look == CellLook::HighlightedOverLimit ? kOverLimitColour : kAttentionColour;
        const int width = kMarkFrame;
        painter.fillRect(rect.left(), rect.top(), rect.width(), width, mark);
        painter.fillRect(rect.left(), rect.bottom() - width + 1, rect.width(), width, mark);
        painter.fillRect(rect.left(), rect.top(), width, rect.height(), mark);
        painter.fillRect(rect.right() - width + 1, rect.top(), width, rect.height(), mark);
    }
    painter.setPen(highlighted || look == CellLook::OverLimit ? Qt::white : Qt::black);
    painter.setClipRect(rect, Qt::IntersectClip);
    DrawCentredText(painter, rect, text, 0);
}

} // namespace

CellLook GridCellLook(int column, int row, bool selected, bool focused) {
    if (column == 0 || row == 0)
        return CellLook::Raised;
    return selected || focused ? CellLook::Highlighted : CellLook::Plain;
}

void DrawGridCell(QPainter& painter, const QRect& cellRect, const QString& text, CellLook look,
                  const QPalette& palette, const QFont& font) {
    painter.save();
    painter.setFont(font);
    if (look == CellLook::Raised)
        DrawRaisedCell(painter, cellRect, text, palette);
    else
        DrawDataCell(painter, cellRect, text, look, palette);
    painter.restore();
}
