// The main window for keyboard and screen-reader users, and the service view of the byte trace.
#include "core/UDataCenter.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    // Tab walks the buttons from left to right, then the grid, and comes round again.
    void tabReachesEveryControl() {
        TempProgramDir dir;
        TFrmMain window;
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.btnUpdateList->setFocus();
        const QList<QWidget*> expected{window.BtnSampleData, window.BtnClearData, window.BtnTest,
                                       window.BtnSave,       window.BtnOpen,      window.BtnPrint,
                                       window.BtnSetComm,    window.BtnExit,      window.SGData,
                                       window.BtnTools,      window.btnUpdateList};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        // With the trace shown it joins the round after the grid and the tools menu.
        window.ToggleByteTrace();
        window.BtnTools->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), window.ListBox1);
    }

    void everyControlHasAnAccessibleName() {
        TempProgramDir dir;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QWidget*> controls{window.btnUpdateList, window.BtnSampleData, window.BtnClearData,
                                       window.BtnTest,       window.BtnSave,       window.BtnOpen,
                                       window.BtnPrint,      window.BtnSetComm,    window.BtnExit,
                                       window.SGData,        window.StatusPanel0};
        for (QWidget* control : controls) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(control->objectName()));
        }
        QCOMPARE(QAccessible::queryAccessibleInterface(window.BtnClearData)->text(QAccessible::Name),
                 QStringLiteral("清空历史数据"));
    }

    // The trace list lies beside the client area; Ctrl+Shift+T widens the window to show it and
    // narrows it again. Its lines follow the last reply either way.
    void traceKeyShowsTheByteTrace() {
        TempProgramDir dir;
        TFrmMain window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const uint8_t reply[] = {0xF8, 0x02};
        window.ShowByteTrace(reply, 2);
        QVERIFY(!window.ByteTraceShown());
        QCOMPARE(window.size(), QSize(907, 447));

        QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(window.ByteTraceShown());
        QVERIFY(window.ListBox1->isVisible());
        QVERIFY(window.rect().contains(window.ListBox1->geometry()));
        QCOMPARE(window.ListBox1->count(), 2);
        QCOMPARE(window.ListBox1->item(1)->text(), QStringLiteral("( 1)--02"));
        QVERIFY(QAccessible::queryAccessibleInterface(window.ListBox1));

        QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!window.ByteTraceShown());
        QCOMPARE(window.size(), QSize(907, 447));
        QCOMPARE(window.ListBox1->count(), 2);
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
