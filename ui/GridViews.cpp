#include "ui/GridViews.h"

#include "ui/GridCellPainter.h"
#include "ui/GridLimitMarks.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTableView>

namespace {

// How close (pixels) the pointer must be to a row border to grab it, and the smallest row height.
constexpr int kBorderGrip = 2;
constexpr int kMinimumRowHeight = 4;

} // namespace

RecordGridDelegate::RecordGridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void RecordGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool focused = option.state.testFlag(QStyle::State_HasFocus);
    CellLook look = GridCellLook(index.column(), index.row() + 1, selected, focused);
    if (look != CellLook::Raised && !index.data(kOverLimitRole).toString().isEmpty())
        look = look == CellLook::Highlighted ? CellLook::HighlightedOverLimit : CellLook::OverLimit;
    else if (look != CellLook::Raised && index.data(kVerdictRole).toInt() == int(Verdict::Attention))
        look = look == CellLook::Highlighted ? CellLook::HighlightedAttention : CellLook::Attention;
    DrawGridCell(*painter, option.rect, index.data(Qt::DisplayRole).toString(), look, option.palette,
                 option.font);
}

QWidget* RecordGridDelegate::createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const {
    return nullptr;
}

RecordGridHeader::RecordGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

void RecordGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid() || !model())
        return;
    const QString text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    DrawGridCell(*painter, rect, text, CellLook::Raised, palette(), font());
}

GridRowSizer::GridRowSizer(QTableView* view) : QObject(view), m_view(view) {
    view->viewport()->installEventFilter(this);
    view->viewport()->setMouseTracking(true);
}

int GridRowSizer::RowBorderAt(const QPoint& pos) const {
    if (m_view->columnAt(pos.x()) != 0)
        return -1;
    for (const int y : {pos.y() - kBorderGrip, pos.y() + kBorderGrip}) {
        const int row = m_view->rowAt(y);
        if (row < 0)
            continue;
        const int bottom = m_view->rowViewportPosition(row) + m_view->rowHeight(row);
        if (std::abs(bottom - pos.y()) <= kBorderGrip)
            return row;
    }
    return -1;
}

bool GridRowSizer::eventFilter(QObject* watched, QEvent* event) {
    // Only mouse events concern the sizer. Other events also arrive while the view is being torn
    // down, when it must not be called any more.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    if (!m_view || watched != m_view->viewport())
        return false;
    QWidget* viewport = m_view->viewport();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int row = mouse->button() == Qt::LeftButton ? RowBorderAt(mouse->position().toPoint()) : -1;
        if (row < 0)
            return false;
        m_row = row;
        m_startY = mouse->position().toPoint().y();
        m_startHeight = m_view->rowHeight(row);
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        if (m_row >= 0) {
            m_view->setRowHeight(m_row, std::max(kMinimumRowHeight, m_startHeight + pos.y() - m_startY));
            return true;
        }
        if (RowBorderAt(pos) >= 0)
            viewport->setCursor(Qt::SplitVCursor);
        else
            viewport->unsetCursor();
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_row < 0)
            return false;
        m_row = -1;
        return true;
    default:
        return false;
    }
}
