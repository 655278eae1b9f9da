#pragma once
// How the record grid draws one cell. Data cells are flat, centred text on the window colour,
// or white text on the highlight colour while selected or focused. Header cells and the number
// column are fixed cells: raised like a button (white top-left edges, black bottom-right edges)
// and never highlighted. A resistance above its device's limit is white text on red; in the
// selected row it keeps the highlight and is framed in red. One that needs attention is black text
// on amber; in the selected row it keeps the highlight and is framed in amber.
#include <QString>

class QFont;
class QPainter;
class QPalette;
class QRect;

enum class CellLook {
    Plain,
    Highlighted,
    Raised,
    OverLimit,
    HighlightedOverLimit,
    Attention,
    HighlightedAttention
};

// The look of the cell at grid column/row (row 0 is the header row, column 0 the number column).
CellLook GridCellLook(int column, int row, bool selected, bool focused);

// Draws one cell into cellRect (the rectangle the view gives the cell, grid lines excluded).
void DrawGridCell(QPainter& painter, const QRect& cellRect, const QString& text, CellLook look,
                  const QPalette& palette, const QFont& font);
