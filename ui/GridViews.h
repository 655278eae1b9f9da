#pragma once
// The pieces that make a QTableView look and behave like the record grid: the cell delegate, the
// raised header row, and row resizing by dragging a row border in the number column.
#include <QHeaderView>
#include <QPointer>
#include <QStyledItemDelegate>

class QTableView;

// Draws every data cell of the grid; model column 0 is the fixed number column.
class RecordGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit RecordGridDelegate(QObject* parent = nullptr);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

// The header row (grid row 0): raised cells with the column captions.
class RecordGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit RecordGridHeader(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// Lets the user drag the lower border of a row within the number column to change that row's
// height, as the column borders can be dragged in the header row.
class GridRowSizer : public QObject {
    Q_OBJECT
public:
    explicit GridRowSizer(QTableView* view);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row whose lower border lies under the viewport point (number column only), or -1.
    int RowBorderAt(const QPoint& pos) const;

    QPointer<QTableView> m_view;
    int m_row = -1;
    int m_startY = 0;
    int m_startHeight = 0;
};
