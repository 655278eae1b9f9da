// The preview window driven as a user drives it: paging, zoom, printer setup, printing, PDF
// export and closing. Printing goes to PDF files, read back with poppler.
#include "core/UDataCenter.h"
#include "report/UDlgPreview.h"
#include "report/UQRMain.h"
#include "tests/support/TestSupport.h"
#include "tests/tst_report_pdf.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace ReportPdf;

namespace {

constexpr double kFooterTop = 297.0 - 10.0 - 19.84;
constexpr int kRecords = 100; // four pages

void FillRows(TQRMain& report, int count) {
    report.AllocRows(count);
    for (int i = 0; i < count; ++i)
        report.Rows[size_t(i)] = {QStringLiteral("24-05-13 10:30"),
                                  QStringLiteral("DEV%1").arg(i + 1),
                                  QStringLiteral("测试员"),
                                  QStringLiteral("一号站"),
                                  QStringLiteral("100 A"),
                                  QStringLiteral("5 秒"),
                                  QStringLiteral("%1.0 uΩ").arg(i + 1)};
}

QString StatusFor(int page, int total) {
    return QStringLiteral(" 第 %1 页   总 %2 页").arg(page).arg(total);
}

// The row numbers of every page of a PDF, in order.
QStringList AllRowNumbers(const QString& pdf) {
    QStringList numbers;
    for (int page = 1; page <= PageCount(pdf); ++page) {
        QStringList onPage = Texts(WordsIn(PageWords(pdf, page), 11.65, 24.08, 0, kFooterTop));
        onPage.removeAll(QStringLiteral("序号"));
        numbers << onPage;
    }
    return numbers;
}

// Runs `answer` on the next modal dialog of type T once it is shown.
template <typename T> void AnswerNextDialog(std::function<void(T*)> answer) {
    QTimer::singleShot(0, [answer] {
        T* dialog = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((dialog = qobject_cast<T*>(QApplication::activeModalWidget())) != nullptr,
                                 5000);
        answer(dialog);
    });
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TQRMain> m_report;
    QPointer<TFrmPreview> m_preview;

    void open(int records = kRecords) {
        m_report = std::make_unique<TQRMain>();
        FillRows(*m_report, records);
        m_report->PrepareReport();
        m_preview = m_report->Preview();
        QVERIFY(m_preview);
        QVERIFY(QTest::qWaitForWindowExposed(m_preview));
    }
    void printTo(const QString& pdf) {
        m_preview->Printer()->setOutputFormat(QPrinter::PdfFormat);
        m_preview->Printer()->setOutputFileName(pdf);
        m_preview->tbPrinter->click();
    }

private slots:
    void init() { ResetSharedState(); }
    void cleanup() {
        m_report.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_preview);
    }

    // Page 1, at the zoom of the button shown down: the page's width fits the view.
    void opensOnPageOneAtTheZoomItsButtonNames() {
        open();
        QCOMPARE(m_preview->windowTitle(), QStringLiteral("回路电阻测试仪 主报表"));
        QCOMPARE(m_preview->iPageCount, 4);
        QCOMPARE(m_preview->QRPreview1->pageCount(), 4);
        QCOMPARE(m_preview->StatusText(), StatusFor(1, 4));
        QCOMPARE(m_preview->QRPreview1->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QVERIFY(m_preview->tbZToWidth->isChecked());
        QVERIFY(!m_preview->tbZToFit->isChecked());
        QVERIFY(!m_preview->tb100->isChecked());
        QCOMPARE(m_preview->size(), QSize(561, 408));
        QCOMPARE(m_preview->minimumSize(), QSize(200, 100));
        QCOMPARE(m_preview->Report, m_report.get());
    }

    void paging_data() {
        QTest::addColumn<QString>("clicks"); // F first, P prior, N next, L last
        QTest::addColumn<int>("page");
        QTest::newRow("prior on page 1 stays") << "P" << 1;
        QTest::newRow("next") << "N" << 2;
        QTest::newRow("next beyond the last stays") << "NNNNNN" << 4;
        QTest::newRow("last") << "L" << 4;
        QTest::newRow("prior from last") << "LP" << 3;
        QTest::newRow("first from last") << "LF" << 1;
        QTest::newRow("next on last stays") << "LN" << 4;
    }
    void paging() {
        QFETCH(QString, clicks);
        QFETCH(int, page);
        open();
        for (QChar c : clicks) {
            QToolButton* button = c == 'F'   ? m_preview->tbFirst
                                  : c == 'P' ? m_preview->tbPrior
                                  : c == 'N' ? m_preview->tbNext
                                             : m_preview->tbLast;
            button->click();
        }
        QCOMPARE(m_preview->QRPreview1->currentPage(), page);
        QCOMPARE(m_preview->StatusText(), StatusFor(page, 4));
    }

    // While pages are still coming in, "last" and "next" stop at the latest one available.
    void pagingStopsAtLatestAvailablePage() {
        open();
        m_preview->iPageCount = 0;
        m_preview->QRPreview1PageAvailable(m_preview->QRPreview1, 1);
        m_preview->QRPreview1PageAvailable(m_preview->QRPreview1, 2);
        QCOMPARE(m_preview->StatusText(), StatusFor(1, 2));
        m_preview->tbLast->click();
        QCOMPARE(m_preview->StatusText(), StatusFor(2, 2));
        m_preview->tbNext->click();
        QCOMPARE(m_preview->StatusText(), StatusFor(2, 2));
    }

    void zoomButtonsFormOneGroup() {
        open();
        m_preview->tbNext->click();
        const QString status = m_preview->StatusText();
        m_preview->tbZToFit->click();
        QVERIFY(m_preview->tbZToFit->isChecked());
        QVERIFY(!m_preview->tbZToWidth->isChecked());
        QCOMPARE(m_preview->QRPreview1->zoomMode(), QPrintPreviewWidget::FitInView);
        m_preview->tbZToWidth->click();
        QVERIFY(m_preview->tbZToWidth->isChecked());
        QVERIFY(!m_preview->tbZToFit->isChecked());
        QCOMPARE(m_preview->QRPreview1->zoomMode(), QPrintPreviewWidget::FitToWidth);
        m_preview->tb100->click();
        QVERIFY(m_preview->tb100->isChecked());
        QCOMPARE(m_preview->QRPreview1->zoomFactor(), 1.0);
        QCOMPARE(m_preview->StatusText(), status);
    }

    // A right click on the tool bar offers nothing that could hide it, and it stays in place.
    void toolBarCannotBeHidden() {
        open();
        const QPoint at = m_preview->ToolBar1->rect().bottomRight() - QPoint(4, 4);
        bool menuShown = false;
        QTimer::singleShot(100, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menuShown = true;
                popup->close();
            }
        });
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, m_preview->ToolBar1->mapToGlobal(at));
        QApplication::sendEvent(m_preview->ToolBar1, &request);
        QTest::qWait(150);
        QVERIFY(!menuShown);
        QVERIFY(m_preview->ToolBar1->isVisible());
        QVERIFY(!m_preview->ToolBar1->isMovable());
        QVERIFY(!m_preview->ToolBar1->toggleViewAction()->isEnabled());
    }

    void buttonsCarryTheirHints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("accessibleName");
        QTest::newRow("tbZToFit") << "tbZToFit"
                                  << "整张纸缩微显示"
                                  << "整页";
        QTest::newRow("tb100") << "tb100"
                               << "100%显示"
                               << "100%";
        QTest::newRow("tbZToWidth") << "tbZToWidth"
                                    << "调整为宽度适合"
                                    << "页宽";
        QTest::newRow("tbFirst") << "tbFirst"
                                 << "第一页"
                                 << "第一页";
        QTest::newRow("tbPrior") << "tbPrior"
                                 << "上一页"
                                 << "上一页";
        QTest::newRow("tbNext") << "tbNext"
                                << "下一页"
                                << "下一页";
        QTest::newRow("tbLast") << "tbLast"
                                << "最后一页"
                                << "最后一页";
        QTest::newRow("tbPrinterSetup") << "tbPrinterSetup"
                                        << "打印机设置"
                                        << "打印设置";
        QTest::newRow("tbPrinter") << "tbPrinter"
                                   << "打印"
                                   << "打印";
        QTest::newRow("tbExportPdf") << "tbExportPdf"
                                     << "将报表保存为PDF文件"
                                     << "导出PDF";
        QTest::newRow("tbExit") << "tbExit"
                                << "退出预览"
                                << "退出";
    }
    void buttonsCarryTheirHints() {
        QFETCH(QString, name);
        QFETCH(QString, hint);
        QFETCH(QString, accessibleName);
        open();
        auto* button = m_preview->findChild<QToolButton*>(name);
        QVERIFY(button);
        QCOMPARE(button->toolTip(), hint);
        QCOMPARE(button->accessibleDescription(), hint);
        QCOMPARE(button->accessibleName(), accessibleName);
        QVERIFY(button->isVisible());
        QVERIFY(!button->icon().isNull() || button->text() == accessibleName);
    }

    // Each print runs the report again from row 1.
    void printingTwiceGivesTheSameRows() {
        open();
        m_preview->tbNext->click();
        const QString first = m_dir.filePath(QStringLiteral("first.pdf"));
        const QString second = m_dir.filePath(QStringLiteral("second.pdf"));
        printTo(first);
        printTo(second);
        QStringList expected;
        for (int row = 1; row <= kRecords; ++row)
            expected << QString::number(row);
        QCOMPARE(AllRowNumbers(first), expected);
        QCOMPARE(AllRowNumbers(second), expected);
        QCOMPARE(m_report->iCurrentRow, 1);
    }

    // A printer that cannot print (here: a PDF printer without a file) is reported.
    void printFailureIsReported() {
        MessageRecorder messages;
        open();
        m_preview->Printer()->setOutputFormat(QPrinter::PdfFormat);
        m_preview->Printer()->setOutputFileName(m_dir.filePath(QStringLiteral("missing/x.pdf")));
        m_preview->tbPrinter->click();
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages[0].caption, AppTitle());
        QCOMPARE(messages.messages[0].icon, MsgIcon::Warning);
        QCOMPARE(m_report->iCurrentRow, 1);
    }

    void printerSetupCancelChangesNothing() {
        open();
        QPrinter* printer = m_preview->Printer();
        const int copies = printer->copyCount();
        const auto range = printer->printRange();
        const auto orientation = printer->pageLayout().orientation();
        AnswerNextDialog<QPrintDialog>([](QPrintDialog* dialog) {
            dialog->findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(3);
            dialog->findChild<QAbstractButton*>(QStringLiteral("printRange"))->click();
            dialog->reject();
        });
        m_preview->tbPrinterSetup->click();
        QCOMPARE(printer->copyCount(), copies);
        QCOMPARE(printer->printRange(), range);
        QCOMPARE(printer->pageLayout().orientation(), orientation);
        QCOMPARE(m_preview->iPageCount, 4);
    }

    // The accepted page range and copies reach the next print; the range stays within the pages.
    void printerSetupChoicesReachThePrint() {
        open();
        const QString pdf = m_dir.filePath(QStringLiteral("setup.pdf"));
        m_preview->Printer()->setOutputFormat(QPrinter::PdfFormat);
        m_preview->Printer()->setOutputFileName(pdf);
        int maximum = 0;
        AnswerNextDialog<QPrintDialog>([&maximum](QPrintDialog* dialog) {
            maximum = dialog->maxPage();
            dialog->findChild<QAbstractButton*>(QStringLiteral("printRange"))->click();
            dialog->findChild<QSpinBox*>(QStringLiteral("from"))->setValue(2);
            dialog->findChild<QSpinBox*>(QStringLiteral("to"))->setValue(3);
            dialog->findChild<QSpinBox*>(QStringLiteral("copies"))->setValue(2);
            dialog->accept();
        });
        m_preview->tbPrinterSetup->click();
        QCOMPARE(maximum, 4);
        QCOMPARE(m_preview->iPageCount, 4);
        m_preview->tbPrinter->click();
        // Two copies of pages 2 and 3.
        QCOMPARE(PageCount(pdf), 4);
        QStringList pageNumbers;
        for (int page = 1; page <= 4; ++page)
            pageNumbers << Texts(WordsIn(PageWords(pdf, page), 150, 210, kFooterTop, kFooterTop + 5));
        QCOMPARE(pageNumbers, QStringList({"2", "3", "2", "3"}));
    }

    void exportPdfWritesTheReport() {
        TempProgramDir programDir;
        FolderRecorder folders;
        open();
        const QString dataFolder = programDir.filePath(QStringLiteral("测试记录"));
        const QString pdf = dataFolder + QStringLiteral("/导出.pdf");
        QString offeredFolder;
        AnswerNextDialog<QFileDialog>([&](QFileDialog* dialog) {
            offeredFolder = dialog->directory().absolutePath();
            dialog->selectFile(pdf);
            static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name
        });
        m_preview->tbExportPdf->click();
        QCOMPARE(QDir(offeredFolder), QDir(dataFolder));
        QCOMPARE(PageCount(pdf), 4);
        QCOMPARE(AllRowNumbers(pdf).size(), kRecords);
        QCOMPARE(folders.folders.size(), 1);
        QCOMPARE(QDir(folders.folders[0]), QDir(dataFolder));
    }

    void exportPdfCancelledWritesNothing() {
        TempProgramDir programDir;
        FolderRecorder folders;
        open();
        AnswerNextDialog<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
        m_preview->tbExportPdf->click();
        QVERIFY(QDir(programDir.filePath(QStringLiteral("测试记录"))).isEmpty());
        QVERIFY(folders.folders.isEmpty());
    }

    void closingFreesTheWindow() {
        open();
        m_preview->tbExit->click();
        QVERIFY(m_preview); // freed on the next pass of the event loop
        QCOMPARE(m_preview->Report, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_preview.isNull());
        QCOMPARE(m_report->PreviewWindow(), nullptr);
    }

    // A report that goes away takes its preview with it.
    void releasingTheReportClosesItsPreview() {
        open();
        m_report.reset();
        QVERIFY(m_preview.isNull());
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
