// The program on the desktop as its users and their assistive tools meet it: Qt's standard
// dialogs in Chinese, every window a window named by its caption, texts that change exposed and
// announced, the service menu, windows centred on the screen, Enter on buttons, the icon.
#include "core/Language.h"
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "report/UDlgPreview.h"
#include "report/UQRMain.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/DesktopLook.h"
#include "ui/UDlgProcess.h"
#include "ui/UDlgSeries.h"
#include "ui/UDlgSetComm.h"
#include "ui/UDlgTest.h"
#include "ui/UMain.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>
#ifdef OHMARA_PLATFORM_ACCESSIBILITY
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#endif
#include <functional>
#include <memory>

namespace {

// Every accessibility event the program sends, as (object, event type).
QList<std::pair<QObject*, QAccessible::Event>>& SentEvents() {
    static QList<std::pair<QObject*, QAccessible::Event>> events;
    return events;
}

void RecordEvent(QAccessibleEvent* event) {
    SentEvents().append({event->object(), event->type()});
}

bool Announced(QObject* object, QAccessible::Event type) {
    return SentEvents().contains(std::pair<QObject*, QAccessible::Event>{object, type});
}

QString Name(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// Runs `answer` on the next modal window of type T once it is open.
template <typename T> void AnswerNext(std::function<void(T*)> answer) {
    QTimer::singleShot(0, [answer] {
        T* window = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((window = qobject_cast<T*>(QApplication::activeModalWidget())) != nullptr,
                                 5000);
        answer(window);
    });
}

// Runs `inspect` on the next popup menu once it is open, then closes it.
void InspectNextMenu(std::function<void(QMenu*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        QMenu* menu = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr,
                                 5000);
        inspect(menu);
        if (menu->isVisible())
            menu->close();
    });
}

// Every text a user reads in a window: labels, buttons, group boxes, without mnemonics.
QStringList VisibleTexts(QWidget* window) {
    QStringList texts;
    auto add = [&texts](QString text) { texts << text.remove(QLatin1Char('&')).trimmed(); };
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->isVisibleTo(window))
            add(label->text());
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->isVisibleTo(window))
            add(button->text());
    for (QGroupBox* box : window->findChildren<QGroupBox*>())
        if (box->isVisibleTo(window))
            add(box->title());
    texts.removeAll(QString());
    return texts;
}

// The English texts that Qt's dialogs show when its translations are missing.
QStringList EnglishAmong(const QStringList& texts, const QStringList& english) {
    QStringList found;
    for (const QString& text : texts) {
        for (const QString& word : english) {
            if (text.contains(
                    QRegularExpression(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(word)))))
                found << text;
        }
    }
    return found;
}

bool CentredOnScreen(const QWidget* window) {
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    const QPoint centre = window->frameGeometry().center();
    // Placed before the window system adds its frame: off by at most half the frame.
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    return (centre - screenCentre).manhattanLength() <= 1 + (frame.width() + frame.height()) / 2;
}

} // namespace

class TstDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        SetUpDesktopLook();
        QAccessible::installUpdateHandler(RecordEvent);
#ifdef OHMARA_PLATFORM_ACCESSIBILITY
        if (QPlatformAccessibility* platform = QGuiApplicationPrivate::platformIntegration()->accessibility())
            platform->setActive(true);
#endif
        QVERIFY2(QAccessible::isActive(), "accessibility could not be switched on: no events to check");
    }
    void init() {
        ResetSharedState();
        SentEvents().clear();
    }

    // ---- Qt's standard dialogs in Chinese ----

    void messageBoxButtonsAreChinese_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("Yes") << int(QMessageBox::Yes) << QStringLiteral("是");
        QTest::newRow("No") << int(QMessageBox::No) << QStringLiteral("否");
        QTest::newRow("OK") << int(QMessageBox::Ok) << QStringLiteral("确定");
        QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringLiteral("取消");
    }
    void messageBoxButtonsAreChinese() {
        QFETCH(int, button);
        QFETCH(QString, text);
        QVERIFY(LoadQtTranslations());
        QMessageBox box(QMessageBox::Question, AppTitle(), QStringLiteral("?"),
                        QMessageBox::StandardButton(button));
        QString shown = box.button(QMessageBox::StandardButton(button))->text();
        shown.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
        QCOMPARE(shown, text);
    }

    void fileDialogIsChinese_data() {
        QTest::addColumn<bool>("saving");
        QTest::newRow("save") << true;
        QTest::newRow("open") << false;
    }
    void fileDialogIsChinese() {
        QFETCH(bool, saving);
        QFileDialog dialog(nullptr, QStringLiteral("保存"), QDir::tempPath(),
                           QStringLiteral("文本文件 (*.txt)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QStringList texts = VisibleTexts(&dialog);
        QVERIFY(!texts.isEmpty());
        QCOMPARE(EnglishAmong(texts, {"Look in", "File name", "Files of type", "Save", "Open", "Cancel"}),
                 QStringList());
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        const QString accept =
            buttons->button(saving ? QDialogButtonBox::Save : QDialogButtonBox::Open)->text();
        QVERIFY2(accept.contains(saving ? QStringLiteral("保存") : QStringLiteral("打开")),
                 qPrintable(accept));
    }

    // The printer setup speaks Chinese and its accept button only sets up.
    void printerSetupIsChineseAndOnlySetsUp() {
        TQRMain report;
        report.AllocRows(1);
        report.PrepareReport();
        QPointer<TFrmPreview> preview = report.Preview();
        QVERIFY(preview);
        QStringList texts;
        QString accept;
        AnswerNext<QPrintDialog>([&](QPrintDialog* dialog) {
            texts = VisibleTexts(dialog);
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                accept = buttons->button(QDialogButtonBox::Ok)->text();
            dialog->reject();
        });
        preview->tbPrinterSetup->click();
        QCOMPARE(accept, QStringLiteral("确定"));
        QVERIFY(!texts.isEmpty());
        QCOMPARE(EnglishAmong(texts, {"Printer", "Properties", "Options", "Print", "Copies", "Print range",
                                      "Collate", "Cancel"}),
                 QStringList());
        preview->close();
    }

    // A print that goes to a file says where the file went.
    void printToFileSaysWhere() {
        QTemporaryDir dir;
        MessageRecorder messages;
        TQRMain report;
        report.AllocRows(1);
        report.PrepareReport();
        QPointer<TFrmPreview> preview = report.Preview();
        const QString pdf = dir.filePath(QStringLiteral("主报表.pdf"));
        preview->Printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->Printer()->setOutputFileName(pdf);
        preview->tbPrinter->click();
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages[0].icon, MsgIcon::Information);
        QCOMPARE(messages.messages[0].caption, AppTitle());
        QVERIFY2(messages.messages[0].text.contains(QDir::toNativeSeparators(pdf)),
                 qPrintable(messages.messages[0].text));
        preview->close();
    }

    // ---- What a screen reader hears ----

    void statusPanelSaysTheConnectionState() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QLabel* panel = window.StatusPanel0;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panel);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("设备已断开！"));
        QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("连接状态"));
        SentEvents().clear();
        {
            SimSetup setup;
            setup.usbSerialString = QStringLiteral("5731");
            UsbSim usb(setup);
            usb.pointProgramAt();
            QVERIFY(window.ConnectDevice());
        }
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("5731已连接"));
        QVERIFY(Announced(panel, QAccessible::NameChanged));
        SentEvents().clear();
        QVERIFY(!window.ConnectDevice()); // no instrument any more
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("设备已断开！"));
        QVERIFY(Announced(panel, QAccessible::NameChanged));
        // The progress bar tells its position as it moves.
        window.PBar->show();
        SentEvents().clear();
        window.PBar->setValue(7);
        QVERIFY(Announced(window.PBar, QAccessible::ValueChanged));
        QCOMPARE(QAccessible::queryAccessibleInterface(window.PBar)->valueInterface()->currentValue().toInt(),
                 7);
    }

    void previewSaysThePage() {
        TQRMain report;
        report.AllocRows(60);
        report.PrepareReport();
        QPointer<TFrmPreview> preview = report.Preview();
        QVERIFY(QTest::qWaitForWindowExposed(preview.data()));
        QVERIFY(preview->iPageCount > 1);
        auto* status = preview->findChild<QLabel*>(QStringLiteral("PageStatus"));
        QVERIFY(status);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(status);
        QCOMPARE(accessible->text(QAccessible::Description), QStringLiteral("页码"));
        QCOMPARE(accessible->text(QAccessible::Name),
                 QStringLiteral("第 1 页 总 %1 页").arg(preview->iPageCount));
        SentEvents().clear();
        preview->tbNext->click();
        QCOMPARE(accessible->text(QAccessible::Name),
                 QStringLiteral("第 2 页 总 %1 页").arg(preview->iPageCount));
        QVERIFY(Announced(status, QAccessible::NameChanged));
        preview->close();
    }

    // Every window is a window (or dialog) named by its caption; every label says what it shows,
    // every edit and progress bar has a name, every edit its text as value.
    void everyWindowAndFieldIsNamed() {
        TempProgramDir dir;
        MessageRecorder messages;
        TQRMain report;
        report.AllocRows(1);
        report.PrepareReport();
        auto main = std::make_unique<TFrmMain>();
        QList<QWidget*> windows{main.get(),        new TFrmTest(main.get()),
                                new TFrmSeries(),  new TFrmSetComm(main.get()),
                                new TFrmProcess(), report.Preview()};
        for (QWidget* window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QString where = window->metaObject()->className();
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(window);
            QVERIFY2(accessible->role() == QAccessible::Window || accessible->role() == QAccessible::Dialog,
                     qPrintable(where));
            const QString caption =
                window->windowTitle().isEmpty() ? window->accessibleName() : window->windowTitle();
            QVERIFY2(!caption.isEmpty(), qPrintable(where));
            QCOMPARE(accessible->text(QAccessible::Name), caption);
            for (QLabel* label : window->findChildren<QLabel*>()) {
                const QString name = Name(label);
                const QString id = where + "/" + label->objectName() + " " + label->text();
                if (label->text().isEmpty() && label->pixmap().isNull())
                    continue; // an empty panel
                QVERIFY2(!name.isEmpty(), qPrintable(id));
                if (!label->text().isEmpty())
                    QCOMPARE(name, label->text().simplified());
            }
            for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
                if (!edit->isVisibleTo(window) || qobject_cast<QComboBox*>(edit->parentWidget()))
                    continue;
                const QString id = where + "/" + edit->objectName();
                QVERIFY2(!Name(edit).isEmpty(), qPrintable(id));
                edit->setText(QStringLiteral("12.0 mV"));
                QCOMPARE(QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Value),
                         QStringLiteral("12.0 mV"));
            }
            for (QProgressBar* bar : window->findChildren<QProgressBar*>()) {
                QVERIFY2(!Name(bar).isEmpty(), qPrintable(where + "/" + bar->objectName()));
                QVERIFY(QAccessible::queryAccessibleInterface(bar)->valueInterface());
            }
        }
        for (QWidget* window : windows.mid(1))
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // ---- The service menu ----

    // "工具" on the status bar opens, from the keyboard, a menu of the status bar's actions that
    // assistive tools see as menu items; an action added to the status bar later is in it too.
    void toolsMenuHoldsTheServiceActions() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // As a main window it keeps its layout: client area, then the 19-pixel status bar.
        QCOMPARE(window.centralWidget()->geometry(), QRect(0, 0, 907, 428));
        QCOMPARE(window.StatusBar1->geometry(), QRect(0, 428, 907, 19));
        QCOMPARE(window.BtnExit->geometry(), QRect(808, 16, 75, 25));
        QToolButton* tools = window.BtnTools;
        QVERIFY(tools->isVisible());
        QVERIFY(window.StatusPanel2->geometry().contains(tools->geometry().center() + QPoint(0, 0)) ||
                window.StatusPanel2->rect().contains(tools->geometry()));
        QCOMPARE(Name(tools), QStringLiteral("工具"));
        QCOMPARE(QAccessible::queryAccessibleInterface(tools)->role(), QAccessible::ButtonMenu);

        auto* later = new QAction(QStringLiteral("后加的服务项"), window.StatusBar1);
        window.StatusBar1->addAction(later);

        QStringList items;
        QList<QAccessible::Role> roles;
        InspectNextMenu([&](QMenu* menu) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
            for (int i = 0; i < accessible->childCount(); ++i) {
                items << accessible->child(i)->text(QAccessible::Name);
                roles << accessible->child(i)->role();
            }
            // An assistive tool presses "通讯数据".
            const int trace = items.indexOf(QStringLiteral("通讯数据"));
            QVERIFY(trace >= 0);
            QAccessibleInterface* item = accessible->child(trace);
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        });
        tools->setFocus();
        QTest::keyClick(tools, Qt::Key_Space);
        QCOMPARE(items, (QStringList{"序列号…", "设备历史…", "导入记录…", "导入文件夹…", "设备台账…",
                                     "站点总览…", "试验任务…", "仪器台账…", "到期试验…", "修改记录…", "同步",
                                     "同步记录…", "通讯数据", "界面语言", "关于…", "后加的服务项"}));
        QCOMPARE(roles, QList<QAccessible::Role>(16, QAccessible::MenuItem));
        QTRY_VERIFY(window.ByteTraceShown());
        // The keys stay.
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!window.ByteTraceShown());
        QStringList shortcuts;
        for (QAction* action : window.StatusBar1->actions())
            shortcuts << action->shortcut().toString(QKeySequence::PortableText);
        QVERIFY(shortcuts.contains(QStringLiteral("Ctrl+Shift+S")));
        QVERIFY(shortcuts.contains(QStringLiteral("Ctrl+Shift+T")));

        // The status bar's context menu holds the same items.
        QStringList contextItems;
        InspectNextMenu([&](QMenu* menu) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(menu);
            for (int i = 0; i < accessible->childCount(); ++i)
                contextItems << accessible->child(i)->text(QAccessible::Name);
        });
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(10, 5),
                                  window.StatusBar1->mapToGlobal(QPoint(10, 5)));
        QApplication::sendEvent(window.StatusBar1, &request);
        QCOMPARE(contextItems, items);
    }

    // "界面语言" keeps the choice in the settings file for the next start, and says so.
    void languageEntryKeepsTheChoice() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
            auto* choice =
                window.findChild<QAction*>(QStringLiteral("ActLanguage_") + LanguageCode(language));
            QVERIFY(choice);
            choice->trigger();
            QCOMPARE(ChosenLanguage({}, ReadSettingsFile(), false), language);
            QCOMPARE(messages.messages.size(), 1);
            QVERIFY2(messages.texts().constFirst().contains(QStringLiteral("下次启动")),
                     qPrintable(messages.texts().constFirst()));
            messages.clear();
        }
    }

    // ---- Placement and keys ----

    void windowsAreCentredOnTheScreen() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(CentredOnScreen(&window),
                 qPrintable(QString::asprintf("frame %d,%d %dx%d on %dx%d", window.frameGeometry().x(),
                                              window.frameGeometry().y(), window.frameGeometry().width(),
                                              window.frameGeometry().height(),
                                              window.screen()->availableGeometry().width(),
                                              window.screen()->availableGeometry().height())));
        // Moved away, the dialogs still come up in the middle of the screen, not over the window.
        window.move(0, 0);
        QPointer<TFrmTest> test = new TFrmTest(&window);
        QPointer<TFrmSeries> series = new TFrmSeries();
        for (QDialog* dialog : {static_cast<QDialog*>(test.data()), static_cast<QDialog*>(series.data())}) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QVERIFY2(CentredOnScreen(dialog), dialog->metaObject()->className());
        }
        delete test;
        delete series;
    }

    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void enterPressesTheFocusedButton() {
        QFETCH(int, key);
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        gbDeviceConnected = true;
        window.UpdateButtons();
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.BtnClearData->setFocus();
        QTest::keyClick(window.BtnClearData, Qt::Key(key));
        QCOMPARE(messages.messages.size(), 1); // the clear question (answered No)
        QCOMPARE(messages.messages[0].buttons, MsgButtons::YesNo);
    }

    // ---- The icon ----

    void everyWindowShowsTheProgramIcon() {
        const QIcon icon = ProgramIcon();
        QVERIFY(!icon.isNull());
        const QImage image = icon.pixmap(64, 64).toImage();
        QVERIFY(!image.isNull());
        QCOMPARE(image.pixelColor(6, 32).name(), QStringLiteral("#1f5a85")); // drawn, not a blank
        TempProgramDir dir;
        TFrmMain window;
        TFrmSeries series;
        for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&series)})
            QCOMPARE(w->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        QVERIFY(!QApplication::windowIcon().isNull());
    }
};

QTEST_MAIN(TstDesktop)
#include "tst_desktop.moc"
