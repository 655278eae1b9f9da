// The record grid of the main window: the row operations and their count rules, the way the
// cells are drawn (checked on the pixels of the painted view), the behaviour of the view under
// the mouse, and what it tells screen readers.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>
#include <array>

namespace {

// A whole record reply: 26-12-07 14:30, 123AB, TEST, LAB1, step 1, 5 s, 1234.5 uΩ.
const std::array<uint8_t, 37> kRecord{0xF1, 0x30, 0x14, 0x03, 0x07, 0x12, 0x26, 0x01, 0x02, 0x03,
                                      0x0A, 0x0B, 0x3E, 0x3E, 0x3E, 0x1D, 0x0E, 0x1C, 0x1D, 0x3E,
                                      0x3E, 0x3E, 0x3E, 0x15, 0x0A, 0x0B, 0x01, 0x3E, 0x3E, 0x3E,
                                      0x3E, 0x01, 0x05, 0x00, 0x30, 0x39, 0x00};

const QColor kBase(255, 255, 255);
const QColor kHighlight(0, 0, 160);
const QColor kFixed(200, 200, 200);

RecordGrid::Row Filled(const QString& tag) {
    RecordGrid::Row row;
    for (QString& cell : row)
        cell = tag;
    return row;
}

// Puts rows 1..count into the grid as an upload leaves them.
void FillRows(TFrmMain& window, int count) {
    giRecordCount = count;
    window.Grid()->setGridRowCount(count + 1);
    for (int k = 1; k <= count; ++k)
        window.FillRecordRow(k, kRecord.data());
}

int CountPixels(const QImage& image, const QRect& rect, const std::function<bool(QColor)>& match) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += match(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool Dark(QColor c) {
    return c.red() < 60 && c.green() < 60 && c.blue() < 60;
}

bool White(QColor c) {
    return c.red() > 240 && c.green() > 240 && c.blue() > 240;
}

} // namespace

class TstGrid : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void fillRecordRowWritesOneRow() {
        TempProgramDir dir;
        TFrmMain window;
        window.Grid()->setGridRowCount(4);
        window.Grid()->setRow(1, Filled(QStringLiteral("old1")));
        window.Grid()->setRow(3, Filled(QStringLiteral("old3")));
        window.FillRecordRow(2, kRecord.data());
        QCOMPARE(window.Grid()->row(2), DecodeRecord(kRecord.data(), 2)); // as the frame decodes
        QCOMPARE(window.Grid()->cell(4, 1), QStringLiteral("old1"));
        QCOMPARE(window.Grid()->cell(4, 3), QStringLiteral("old3"));
        QCOMPARE(window.Grid()->cell(1, 0), QStringLiteral("时间"));
    }

    void appendTestRow_data() {
        QTest::addColumn<int>("countBefore");
        QTest::addColumn<bool>("clearFirst");
        QTest::addColumn<int>("expectedRow");
        QTest::addColumn<QString>("number");
        QTest::newRow("empty grid fills the blank row") << 0 << false << 1 << QStringLiteral(" 1");
        QTest::newRow("after 12 uploaded records") << 12 << false << 13 << QStringLiteral("13");
        QTest::newRow("after a clear takes row 1 again") << 7 << true << 1 << QStringLiteral(" 1");
    }

    void appendTestRow() {
        QFETCH(int, countBefore);
        QFETCH(bool, clearFirst);
        QFETCH(int, expectedRow);
        QFETCH(QString, number);
        TempProgramDir dir;
        TFrmMain window;
        FillRows(window, countBefore);
        if (clearFirst)
            window.ClearGrid();
        strDevice = QStringLiteral("开关柜3");
        strTestUser = QStringLiteral("张工");
        strTestAdd = QStringLiteral("一号站");
        iCurrentStep = 7;
        iTestTime = 20;
        strTestResult = QStringLiteral("56.7 uΩ");
        const QDateTime before = QDateTime::currentDateTime();
        window.AppendTestRow();
        const QDateTime after = QDateTime::currentDateTime();

        QCOMPARE(giRecordCount, expectedRow);
        QCOMPARE(window.Grid()->gridRowCount(), std::max(2, expectedRow + 1));
        const RecordGrid::Row& row = window.Grid()->row(expectedRow);
        QCOMPARE(row[0], number);
        QVERIFY(row[1] == FormatTestTime(before) || row[1] == FormatTestTime(after));
        QCOMPARE(row[2], QStringLiteral("开关柜3"));
        QCOMPARE(row[3], QStringLiteral("张工"));
        QCOMPARE(row[4], QStringLiteral("一号站"));
        QCOMPARE(row[5], QStringLiteral("30 A"));
        QCOMPARE(row[6], QStringLiteral("20 秒"));
        QCOMPARE(row[7], QStringLiteral("56.7 uΩ"));
        if (expectedRow > 1)
            QCOMPARE(window.Grid()->cell(0, expectedRow - 1), RowNumberText(expectedRow - 1));
    }

    void clearGridLeavesOneBlankRow_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("one record") << 1;
        QTest::newRow("many records") << 40;
    }

    void clearGridLeavesOneBlankRow() {
        QFETCH(int, rows);
        TempProgramDir dir;
        TFrmMain window;
        FillRows(window, rows);
        window.ClearGrid();
        QCOMPARE(giRecordCount, 0);
        QCOMPARE(window.Grid()->gridRowCount(), 2);
        for (int c = 0; c < 8; ++c) {
            QVERIFY(window.Grid()->cell(c, 1).isEmpty());
            QCOMPARE(window.Grid()->cell(c, 0), RecordGrid::Headers().at(c));
        }
    }

    void layoutOfTheView() {
        TempProgramDir dir;
        TFrmMain window;
        QCOMPARE(window.SGData->columnWidth(0), 50);
        QCOMPARE(window.SGData->columnWidth(1), 120);
        for (int c = 2; c < 8; ++c)
            QCOMPARE(window.SGData->columnWidth(c), 95);
        QCOMPARE(window.SGData->rowHeight(0), 24);
        QCOMPARE(window.SGData->horizontalHeader()->height(), 24);
        QVERIFY(window.SGData->showGrid());
        for (int c = 0; c < 8; ++c)
            QCOMPARE(window.SGData->model()->headerData(c, Qt::Horizontal).toString(),
                     RecordGrid::Headers().at(c));
    }

    // The selected row's data cells show white text on the highlight colour; its number cell and
    // the header stay raised in the fixed colour.
    void cellsAreDrawnAsTheGridDrawsThem() {
        TempProgramDir dir;
        TFrmMain window;
        QPalette palette = window.SGData->palette();
        palette.setColor(QPalette::Base, kBase);
        palette.setColor(QPalette::Highlight, kHighlight);
        palette.setColor(QPalette::Button, kFixed);
        window.SGData->setPalette(palette);
        FillRows(window, 3);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.SGData->selectRow(1);

        const QImage image = window.SGData->viewport()->grab().toImage();
        const auto cellRect = [&](int row, int column) {
            return window.SGData->visualRect(window.SGData->model()->index(row, column));
        };
        for (int column = 1; column < 8; ++column) {
            const QRect selected = cellRect(1, column);
            QCOMPARE(image.pixelColor(selected.topLeft() + QPoint(2, 2)), kHighlight);
            QVERIFY(CountPixels(image, selected, White) > 5);
            QCOMPARE(CountPixels(image, selected, Dark), 0);
            const QRect plain = cellRect(2, column);
            QCOMPARE(image.pixelColor(plain.topLeft() + QPoint(2, 2)), kBase);
            QVERIFY(CountPixels(image, plain, Dark) > 5);
        }
        for (int row = 0; row < 3; ++row) {
            const QRect number = cellRect(row, 0);
            QCOMPARE(image.pixelColor(number.topLeft() + QPoint(3, 3)), kFixed);
            QCOMPARE(image.pixelColor(number.left(), number.center().y()), QColor(Qt::white));
            QCOMPARE(image.pixelColor(number.center().x(), number.top()), QColor(Qt::white));
            QCOMPARE(image.pixelColor(number.right(), number.center().y()), QColor(Qt::black));
            QCOMPARE(image.pixelColor(number.center().x(), number.bottom()), QColor(Qt::black));
            QCOMPARE(CountPixels(image, number, [](QColor c) { return c == kHighlight; }), 0);
            QVERIFY(CountPixels(image, number.adjusted(2, 2, -2, -2), Dark) > 5); // the number
        }

        QHeaderView* header = window.SGData->horizontalHeader();
        const QImage headerImage = header->grab().toImage();
        for (int column = 0; column < 8; ++column) {
            const QRect section(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                                header->height());
            QCOMPARE(headerImage.pixelColor(section.topLeft() + QPoint(3, 3)), kFixed);
            QCOMPARE(headerImage.pixelColor(section.left(), section.center().y()), QColor(Qt::white));
            QCOMPARE(headerImage.pixelColor(section.right(), section.center().y()), QColor(Qt::black));
            QCOMPARE(headerImage.pixelColor(section.center().x(), section.bottom()), QColor(Qt::black));
            QCOMPARE(CountPixels(headerImage, section, [](QColor c) { return c == kHighlight; }), 0);
            QVERIFY(CountPixels(headerImage, section.adjusted(2, 2, -2, -2), Dark) > 5); // the caption
        }
    }

    void clickSelectsRowsAndDragSelectsARange() {
        TempProgramDir dir;
        TFrmMain window;
        FillRows(window, 6);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableView* view = window.SGData;
        QWidget* viewport = view->viewport();
        const auto centre = [&](int row, int column) {
            return view->visualRect(view->model()->index(row, column)).center();
        };
        const auto selectedRows = [&] {
            QList<int> rows;
            for (const QModelIndex& index : view->selectionModel()->selectedRows())
                rows.append(index.row());
            std::sort(rows.begin(), rows.end());
            return rows;
        };
        QTest::mouseClick(viewport, Qt::LeftButton, {}, centre(2, 4));
        QCOMPARE(selectedRows(), QList<int>({2}));

        QTest::mousePress(viewport, Qt::LeftButton, {}, centre(1, 3));
        QTest::mouseMove(viewport, centre(2, 3));
        QTest::mouseMove(viewport, centre(4, 5));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, centre(4, 5));
        QCOMPARE(selectedRows(), QList<int>({1, 2, 3, 4}));

        QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre(2, 4));
        QTest::keyClick(view, Qt::Key_F2);
        QVERIFY(viewport->findChildren<QLineEdit*>().isEmpty()); // no cell editor opened
        QCOMPARE(window.Grid()->cell(4, 3), QStringLiteral("LAB1"));
    }

    void bordersCanBeDragged() {
        TempProgramDir dir;
        TFrmMain window;
        FillRows(window, 4);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableView* view = window.SGData;

        // A row border, grabbed in the number column.
        QWidget* viewport = view->viewport();
        const int border = view->rowViewportPosition(1) + view->rowHeight(1);
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(20, border));
        QTest::mouseMove(viewport, QPoint(20, border + 16));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(20, border + 16));
        QCOMPARE(view->rowHeight(1), 40);
        QCOMPARE(view->rowHeight(2), 24);

        // A column border, grabbed in the header row.
        QWidget* headerViewport = view->horizontalHeader()->viewport();
        const int right = view->horizontalHeader()->sectionViewportPosition(2) + view->columnWidth(2) - 1;
        QTest::mousePress(headerViewport, Qt::LeftButton, {}, QPoint(right, 10));
        QTest::mouseMove(headerViewport, QPoint(right + 30, 10));
        QTest::mouseRelease(headerViewport, Qt::LeftButton, {}, QPoint(right + 30, 10));
        QCOMPARE(view->columnWidth(2), 125);
    }

    void screenReadersSeeCellsAndHeaders() {
        TempProgramDir dir;
        TFrmMain window;
        FillRows(window, 3);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(window.SGData);
        QVERIFY(grid);
        QCOMPARE(grid->role(), QAccessible::Table);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("测试记录"));
        QAccessibleTableInterface* table = grid->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->columnCount(), 8);
        QCOMPARE(table->rowCount(), 3);
        QAccessibleInterface* cell = table->cellAt(1, 2);
        QVERIFY(cell);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("123AB"));
        QAccessibleTableCellInterface* cellInfo = cell->tableCellInterface();
        QVERIFY(cellInfo);
        const QList<QAccessibleInterface*> headers = cellInfo->columnHeaderCells();
        QCOMPARE(headers.size(), 1);
        QCOMPARE(headers.first()->text(QAccessible::Name), QStringLiteral("设备编号"));
        // This Qt hands header cells over to the caller without registering them.
        for (QAccessibleInterface* header : headers)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(header));
        QCOMPARE(table->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral(" 3"));
    }
};

QTEST_MAIN(TstGrid)
#include "tst_grid.moc"
