// The ohmara-sim tool as the demo run uses it: a separate process on a pseudo-terminal, mapped
// into SystemFile.ini, answering the program's serial exchanges until it is stopped.
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QTest>

class TestSimTool : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        m_dir = std::make_unique<TempProgramDir>();
    }
    void cleanup() {
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.kill();
            m_sim.waitForFinished();
        }
        m_dir.reset();
    }

    void servesTheProgramUntilStopped() {
        ProfileFile before(SettingsFilePath());
        before.setValue("RestParam", "strTestUser", "LI");
        QVERIFY(before.save());
        QVERIFY(start({"--records", "3", "--identity", "2", "--ini", SettingsFilePath(), "--port", "7"}));
        ProfileFile ini(SettingsFilePath());
        QVERIFY(ini.load());
        QCOMPARE(ini.readString("SerialPorts", "COM7", {}), m_device);
        QCOMPARE(ini.readString("RestParam", "strTestUser", {}), QStringLiteral("LI"));
        giCommStyle = 1;
        giCommPort = 7;
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QCOMPARE(buffer[1], uint8_t(3));
        buffer = {cmdIdentify};
        QVERIFY(SerialExchange(cmdIdentify, buffer, 2, 1));
        QCOMPARE(ModelText(buffer[1]), QStringLiteral("qmvr"));
        buffer = {cmdReadRecord, 2};
        QVERIFY(SendCommand(cmdReadRecord, buffer, 37, 2));
        QCOMPARE(buffer[0], cmdReadRecord);
        m_sim.terminate();
        QVERIFY(m_sim.waitForFinished(5000));
        QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_sim.exitCode(), 0);
        QVERIFY(m_sim.readAllStandardError().contains("stopped after 3 requests"));
    }

    // The demo instrument holds records and runs a live test to its end.
    void demoLiveTest() {
        QVERIFY(start({"--demo", "--ini", SettingsFilePath()}));
        giCommStyle = 1;
        CommandBuffer buffer{cmdRecordCount};
        QVERIFY(SendCommand(cmdRecordCount, buffer, 2, 1));
        QVERIFY(buffer[1] > 0);
        buffer = {cmdStartTest, 2, 1};
        QVERIFY(SendCommand(cmdStartTest, buffer, 0, 3));
        QList<uint8_t> statuses;
        for (int i = 0; i < 3; ++i) {
            buffer = {cmdPollTest};
            QVERIFY(SendCommand(cmdPollTest, buffer, 19, 1));
            statuses << DecodePoll(buffer.data()).status;
        }
        QCOMPARE(statuses, (QList<uint8_t>{0x88, 0x88, 0x83}));
    }

    void faultsFromOptions() {
        QVERIFY(start({"--fault", "short=5", "--fault", "only=0xF6", "--ini", SettingsFilePath()}));
        giCommStyle = 1;
        CommandBuffer buffer{cmdReadSerial};
        QVERIFY(!SendCommand(cmdReadSerial, buffer, 9, 1));
        buffer = {cmdIdentify};
        QVERIFY(SendCommand(cmdIdentify, buffer, 2, 1));
    }

    void refusesBadOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("fault") << QStringList{"--fault", "sometimes"};
        QTest::newRow("serial") << QStringList{"--serial", "12"};
        QTest::newRow("file") << QStringList{"--file", "/nonexistent/instrument.txt"};
    }
    void refusesBadOptions() {
        QFETCH(QStringList, arguments);
        QProcess sim;
        sim.start(OHMARA_SIM_PATH, arguments);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }

private:
    // Starts the tool and takes the device path from its first output line.
    bool start(const QStringList& arguments) {
        m_sim.start(OHMARA_SIM_PATH, arguments);
        if (!m_sim.waitForStarted(5000))
            return false;
        while (!m_sim.canReadLine())
            if (!m_sim.waitForReadyRead(5000))
                return false;
        m_device = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
        return m_device.startsWith("/dev/");
    }

    std::unique_ptr<TempProgramDir> m_dir;
    QProcess m_sim;
    QString m_device;
};

QTEST_GUILESS_MAIN(TestSimTool)
#include "tst_sim_tool.moc"
