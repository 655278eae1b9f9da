// Start-up and shut-down of the program's main window: layout, per-run state, settings file.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    void init() { ResetSharedState(); }

    void layoutAndPerRunState() {
        TempProgramDir dir;
        QFile ini(dir.filePath(QStringLiteral("SystemFile.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Communication]\r\ngiCommStyle=1\r\n");
        ini.close();
        giRecordCount = 9;
        iCurrentStep = 4;
        giDeviceType = 0;
        gbDeviceConnected = true;

        TFrmMain window;
        QCOMPARE(window.windowTitle(), QStringLiteral("回路电阻测试仪2.1"));
        QCOMPARE(window.size(), QSize(907, 447));
        QCOMPARE(window.StatusText(), QStringLiteral("设备已断开！"));
        QCOMPARE(giCommStyle, 1); // loaded before anything else used it
        QCOMPARE(giRecordCount, 0);
        QCOMPARE(iCurrentStep, 0);
        QCOMPARE(giDeviceType, 1);
        QVERIFY(!gbDeviceConnected);

        const QList<std::tuple<QPushButton*, QString, int, int>> buttons{
            {window.btnUpdateList, "连接设备", 24, 89},
            {window.BtnSampleData, "上传数据", 128, 89},
            {window.BtnClearData, "清空历史数据", 232, 89},
            {window.BtnTest, "测试", 336, 89},
            {window.BtnSave, "保存", 440, 75},
            {window.BtnOpen, "打开", 528, 75},
            {window.BtnPrint, "打印", 616, 75},
            {window.BtnSetComm, "通讯设置", 704, 89},
            {window.BtnExit, "退出", 808, 75}};
        for (const auto& [button, caption, left, width] : buttons) {
            QCOMPARE(button->text(), caption);
            QCOMPARE(button->geometry(), QRect(left, 16, width, 25));
        }
        QVERIFY(!window.BtnSampleData->isEnabled());
        QVERIFY(!window.BtnClearData->isEnabled());
        QVERIFY(!window.BtnTest->isEnabled());
        for (QPushButton* always : {window.btnUpdateList, window.BtnSave, window.BtnOpen, window.BtnPrint,
                                    window.BtnSetComm, window.BtnExit})
            QVERIFY(always->isEnabled());

        QCOMPARE(window.Grid()->gridRowCount(), 2);
        QCOMPARE(window.Grid()->cell(0, 0), QStringLiteral("序号"));
        QCOMPARE(window.Grid()->cell(7, 0), QStringLiteral("测试电阻"));
        QVERIFY(window.ListBox1->geometry().left() >= 907); // the trace list lies outside the client area
    }

    void exitWritesTheSettingsFile() {
        TempProgramDir dir;
        const QString path = dir.filePath(QStringLiteral("SystemFile.ini"));
        {
            TFrmMain window;
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(!QFile::exists(path)); // written once, at the end
            strTestUser = QStringLiteral("张工");
            window.BtnExit->click();
            QVERIFY(!window.isVisible());
        }
        QFile ini(path);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray saved = ini.readAll();
        QVERIFY(saved.startsWith("[SetParam]\r\nstrCurrentStep=100 A\r\niTestTime=5\r\n[RestParam]\r\n"));
        QVERIFY(saved.contains("strTestUser=\xD5\xC5\xB9\xA4\r\n"));
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
