// The busy dialog: its controls and animation, and the cancel request that only sets a flag and
// is read at the progress steps of the operation that shows the dialog.
#include "ui/UDlgProcess.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

namespace {

// Index of the animation image the dialog shows, or -1.
int ShownFrame(const TFrmProcess& dialog) {
    const QImage shown = dialog.Image1->pixmap().toImage();
    for (int i = 0; i < dialog.ImageList1.size(); ++i)
        if (dialog.ImageList1.at(i).toImage() == shown)
            return i;
    return -1;
}

} // namespace

class BusyDialogTest : public QObject {
    Q_OBJECT
private slots:
    void startsAsCreated();
    void framesAreFourDistinctImages();
    void showFrameClamps_data();
    void showFrameClamps();
    void timerCyclesThroughTheFrames();
    void rangesAndPositions();
    void cancelOnlySetsTheFlag_data();
    void cancelOnlySetsTheFlag();
    void progressStepReportsACancelMadeMeanwhile();
    void closeDuringAStepCancelsInsteadOfFreeing();
};

void BusyDialogTest::startsAsCreated() {
    TFrmProcess dialog;
    QCOMPARE(dialog.size(), QSize(298, 167));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(!dialog.isModal());
    QVERIFY(dialog.testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog.FrameNo, 1);
    QVERIFY(!dialog.Cancelled());
    QCOMPARE(dialog.lblTip->text(), QStringLiteral("系统正在检测数据，请稍候 ..."));
    QCOMPARE(dialog.lblTip->width(), 199);
    QCOMPARE(dialog.BtnCancel->text(), QStringLiteral("取消"));
    for (QProgressBar* bar : {dialog.PBCount, dialog.PBProcess}) {
        QCOMPARE(bar->orientation(), Qt::Vertical);
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
    }
    QCOMPARE(dialog.Timer1->interval(), 100);
    QVERIFY(dialog.Timer1->isActive());
    QCOMPARE(dialog.Image1->size(), QSize(32, 32));
    QCOMPARE(ShownFrame(dialog), 0);
    for (QWidget* control : {static_cast<QWidget*>(dialog.lblTip), static_cast<QWidget*>(dialog.Image1),
                             static_cast<QWidget*>(dialog.PBCount), static_cast<QWidget*>(dialog.PBProcess),
                             static_cast<QWidget*>(dialog.BtnCancel)})
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
}

void BusyDialogTest::framesAreFourDistinctImages() {
    TFrmProcess dialog;
    QCOMPARE(dialog.ImageList1.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(dialog.ImageList1.at(i).size(), QSize(32, 32));
        for (int k = i + 1; k < 4; ++k)
            QVERIFY(dialog.ImageList1.at(i).toImage() != dialog.ImageList1.at(k).toImage());
    }
}

void BusyDialogTest::showFrameClamps_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("image");
    QTest::newRow("negative") << -3 << 0;
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("first") << 1 << 0;
    QTest::newRow("third") << 3 << 2;
    QTest::newRow("fourth") << 4 << 3;
    QTest::newRow("five") << 5 << 3;
    QTest::newRow("large") << 1000 << 3;
}

void BusyDialogTest::showFrameClamps() {
    QFETCH(int, n);
    QFETCH(int, image);
    TFrmProcess dialog;
    dialog.ShowFrame(2); // start from a frame that none of the rows expects by accident
    dialog.ShowFrame(n);
    QCOMPARE(ShownFrame(dialog), image);
}

void BusyDialogTest::timerCyclesThroughTheFrames() {
    TFrmProcess dialog;
    const int expected[] = {2, 3, 4, 1, 2};
    for (const int frame : expected) {
        dialog.Timer1Timer();
        QCOMPARE(dialog.FrameNo, frame);
        QCOMPARE(ShownFrame(dialog), frame - 1);
    }
}

void BusyDialogTest::rangesAndPositions() {
    TFrmProcess dialog;
    dialog.SetPositions(50, 60);
    dialog.SetCountRange(1, 2);
    dialog.SetProcessRange(1, 3);
    QCOMPARE(dialog.PBCount->minimum(), 1);
    QCOMPARE(dialog.PBCount->maximum(), 2);
    QCOMPARE(dialog.PBCount->value(), 1);
    QCOMPARE(dialog.PBProcess->maximum(), 3);
    QCOMPARE(dialog.PBProcess->value(), 1);
    dialog.SetPositions(2, 3);
    QCOMPARE(dialog.PBCount->value(), 2);
    QCOMPARE(dialog.PBProcess->value(), 3);
    dialog.SetTip(QStringLiteral("正在进行Excel报表转换，请稍候..."));
    QCOMPARE(dialog.lblTip->text(), QStringLiteral("正在进行Excel报表转换，请稍候..."));
}

void BusyDialogTest::cancelOnlySetsTheFlag_data() {
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<int>("times");
    QTest::newRow("button once") << false << 1;
    QTest::newRow("button twice") << false << 2;
    QTest::newRow("Esc twice") << true << 2;
}

void BusyDialogTest::cancelOnlySetsTheFlag() {
    QFETCH(bool, byKey);
    QFETCH(int, times);
    QPointer<TFrmProcess> dialog = new TFrmProcess();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    for (int i = 0; i < times; ++i) {
        if (byKey)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->Cancelled());
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
}

void BusyDialogTest::progressStepReportsACancelMadeMeanwhile() {
    TFrmProcess dialog;
    dialog.SetCountRange(1, 2);
    dialog.SetProcessRange(1, 3);
    QVERIFY(!dialog.ProgressStep(1, 1));
    QVERIFY(dialog.isVisible());
    // The press arrives while the step processes events.
    QTimer::singleShot(0, dialog.BtnCancel, &QPushButton::click);
    QVERIFY(dialog.ProgressStep(2, 2));
    QCOMPARE(dialog.PBCount->value(), 2);
    QCOMPARE(dialog.PBProcess->value(), 2);
    QVERIFY(dialog.ProgressStep(2, 3)); // the flag stays set
}

void BusyDialogTest::closeDuringAStepCancelsInsteadOfFreeing() {
    QPointer<TFrmProcess> dialog = new TFrmProcess();
    // A close that arrives while the step processes events (a window manager's close, Alt+F4).
    QTimer::singleShot(0, dialog, [&dialog] { dialog->windowHandle()->close(); });
    QVERIFY(dialog->ProgressStep(1, 1));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
}

QTEST_MAIN(BusyDialogTest)
#include "tst_busydialog.moc"
