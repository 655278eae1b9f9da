// The serial line as the kernel sees it: the order of write, drain and close, the line settings
// a port is left with, a write that never gets out, slow rates, and why a port failed.
#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "link/InstrumentLink.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cmath>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Set for a child run of this executable: run one exchange with the settings of that folder,
// print the link's failure reason and exit 0 on success.
constexpr char kChildEnv[] = "OHMARA_SERIAL_EXCHANGE_IN";
const QByteArray kWriteSerial("\xF7\x11\x22\x33\x44\x55\x66\x77\x88", 9);

int RunChildExchange(const QString& folder) {
    SetExecutableDir(folder);
    LoadSettings();
    SerialNumber serial;
    std::copy(kWriteSerial.begin() + 1, kWriteSerial.end(), serial.begin());
    InstrumentLink link;
    const bool ok = link.writeSerial(serial);
    std::fputs(qPrintable(link.lastFailure() + QLatin1Char('\n')), stdout);
    return ok ? 0 : 1;
}

struct ChildRun {
    bool started = false;
    int exitCode = -1;
    QString out;
    QString err;
};

ChildRun RunChild(const QString& program, QStringList arguments, const QString& folder,
                  const QMap<QString, QString>& extraEnv = {}) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildEnv), folder);
    for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
        env.insert(it.key(), it.value());
    child.setProcessEnvironment(env);
    arguments << QCoreApplication::applicationFilePath();
    child.start(program, arguments);
    ChildRun run;
    run.started = child.waitForFinished() && child.exitStatus() == QProcess::NormalExit;
    run.exitCode = child.exitCode();
    run.out = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    run.err = QString::fromUtf8(child.readAllStandardError());
    return run;
}

termios LineSettings(const QString& device) {
    termios settings{};
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        tcgetattr(fd, &settings);
        ::close(fd);
    }
    return settings;
}

void MapPort(int port, const QString& device) {
    ProfileFile ini(SettingsFilePath());
    QVERIFY(ini.load());
    ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), device);
    QVERIFY(ini.save());
}

// A pseudo-terminal of the test's own, with both sides held open.
struct OwnPty {
    OwnPty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        device = QString::fromLocal8Bit(ptsname(master));
        slave = ::open(ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~OwnPty() {
        for (int fd : {slave, master})
            if (fd >= 0)
                ::close(fd);
    }
    int master = -1;
    int slave = -1;
    QString device;
};

SimSetup Instrument() {
    SimSetup setup;
    setup.records = {
        SimRecord{QDateTime(QDate(2026, 12, 7), QTime(14, 30)), "QF1", "LI", "LAB", 1, 5, 1234}.frame()};
    setup.identity = 1;
    setup.serial = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    return setup;
}

} // namespace

class TstSerialLine : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        m_dir = std::make_unique<TempProgramDir>();
    }
    void cleanup() { m_dir.reset(); }

    // After a write-only exchange at 115200 baud the port has the settings it had before: the
    // close gives them back, which is safe because the write has drained by then.
    void lineSettingsAfterWriteOnlyExchange() {
        SerialSim sim(Instrument());
        QVERIFY(sim.ok());
        sim.pointProgramAt(3, 12);
        const termios before = LineSettings(sim.devicePath());
        CommandBuffer buffer{};
        std::copy(kWriteSerial.begin(), kWriteSerial.end(), buffer.begin());
        QVERIFY(SendCommand(cmdWriteSerial, buffer, 0, 9));
        QCOMPARE(sim.requests(), QList<QByteArray>{kWriteSerial});
        const termios after = LineSettings(sim.devicePath());
        QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
        QCOMPARE(after.c_cflag, before.c_cflag);
        QCOMPARE(after.c_iflag, before.c_iflag);
        QCOMPARE(after.c_lflag, before.c_lflag);
        QVERIFY(cfgetospeed(&before) != B115200);
    }

    // The system calls of a child's write-only exchange on the port's descriptor: the line is
    // set to 115200, the request written, then drained (TCSBRK 1 is tcdrain), and only then may
    // settings change and the port close. No call touches the modem lines.
    void drainComesBeforeAnySettingAndTheClose() {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        if (strace.isEmpty())
            QSKIP("strace is not installed");
        SerialSim sim(Instrument());
        QVERIFY(sim.ok());
        sim.pointProgramAt(3, 12);
        const QString trace = m_dir->filePath(QStringLiteral("trace.txt"));
        const ChildRun run =
            RunChild(strace,
                     {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"), trace,
                      QStringLiteral("-e"), QStringLiteral("trace=openat,ioctl,write,close"),
                      QStringLiteral("-e"), QStringLiteral("signal=none")},
                     m_dir->path());
        if (run.err.contains(QLatin1String("ptrace")) ||
            run.err.contains(QLatin1String("Operation not permitted")))
            QSKIP("ptrace is not permitted here");
        QVERIFY2(run.started && run.exitCode == 0, qPrintable(run.err + run.out));
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        const QRegularExpression open(QStringLiteral("openat\\(.*\"%1\".*\\) = (\\d+)")
                                          .arg(QRegularExpression::escape(sim.devicePath())));
        QString fd;
        QStringList calls; // calls on the port's descriptor, open to close
        for (const QString& line : lines) {
            if (fd.isEmpty()) {
                const QRegularExpressionMatch m = open.match(line);
                if (m.hasMatch())
                    fd = m.captured(1);
                continue;
            }
            const QRegularExpression onFd(QStringLiteral("\\b(ioctl|write|close)\\(%1\\b(.*)").arg(fd));
            const QRegularExpressionMatch m = onFd.match(line);
            if (!m.hasMatch())
                continue;
            calls << m.captured(1) + m.captured(2);
            if (m.captured(1) == QLatin1String("close"))
                break;
        }
        QVERIFY2(!fd.isEmpty(), "the port was never opened");
        QVERIFY2(!calls.isEmpty() && calls.last().startsWith(QLatin1String("close")),
                 qPrintable(calls.join('\n')));
        const auto find = [&](const QString& pattern, qsizetype from) {
            const QRegularExpression re(pattern);
            for (qsizetype i = from; i < calls.size(); ++i)
                if (re.match(calls[i]).hasMatch())
                    return i;
            return qsizetype(-1);
        };
        const QString settings = QStringLiteral("^ioctl, TCSETS|or TCSETS");
        const qsizetype rate = find(QStringLiteral("B115200"), 0);
        const qsizetype written = find(QStringLiteral("^write, \"\\\\367\\\\21.* = 9$"), 0);
        const qsizetype drained = find(QStringLiteral("^ioctl, TCSBRK, 1\\)\\s*= 0$"), 0);
        const QString all = calls.join(QLatin1Char('\n'));
        QVERIFY2(rate >= 0 && written > rate, qPrintable(all));
        QVERIFY2(drained > written, qPrintable(all));
        const qsizetype settingAfterWrite = find(settings, written);
        QVERIFY2(settingAfterWrite < 0 || settingAfterWrite > drained, qPrintable(all));
        QCOMPARE(find(QStringLiteral("TIOCMSET|TIOCMBIS|TIOCMBIC"), 0), qsizetype(-1));
    }

    // Output stopped by flow control: the write ends after its bound, and the queued request is
    // thrown away instead of leaving once the line moves again.
    void writeThatNeverGetsOutEnds() {
        OwnPty pty;
        QVERIFY(pty.slave >= 0);
        MapPort(3, pty.device);
        TKMVCOM port;
        QVERIFY(port.Open(3, 9600, 0));
        QCOMPARE(tcflow(pty.slave, TCOOFF), 0);
        QVERIFY(!port.Write(reinterpret_cast<const uint8_t*>(kWriteSerial.constData()), 9));
        QCOMPARE(tcflow(pty.slave, TCOON), 0);
        port.Close();
        char byte = 0;
        QCOMPARE(::read(pty.master, &byte, 1), ssize_t(-1));
        QCOMPARE(errno, EAGAIN);
    }

#ifdef OHMARA_SLOW_UART
    void driverQueue_data() {
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<bool>("stalled");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("uart");
        QTest::newRow("drains at 300 baud") << 1 << false << 0 << "uart: drains=1 queued-at-drain=0";
        QTest::newRow("drains at 600 baud") << 2 << false << 0 << "uart: drains=1 queued-at-drain=0";
        QTest::newRow("never drains") << 6 << true << 1 << "uart: drains=0 queued-at-drain=0";
    }
    // A UART whose queue empties at the line rate, or never (an interposed driver queue in a
    // child): the write waits for the queue while it moves, drains only once it is empty, and
    // gives up on a queue that does not move.
    void driverQueue() {
        QFETCH(int, baudIndex);
        QFETCH(bool, stalled);
        QFETCH(int, exitCode);
        QFETCH(QString, uart);
        SerialSim sim(Instrument());
        QVERIFY(sim.ok());
        sim.pointProgramAt(3, baudIndex);
        QMap<QString, QString> env{
            {QStringLiteral("LD_PRELOAD"), QStringLiteral(OHMARA_SLOW_UART)},
            {QStringLiteral("OHMARA_UART_BAUD"), QString::number(BaudRateFromIndex(baudIndex))},
            {QStringLiteral("ASAN_OPTIONS"),
             qEnvironmentVariable("ASAN_OPTIONS") + QStringLiteral(":verify_asan_link_order=0")}};
        if (stalled)
            env.insert(QStringLiteral("OHMARA_UART_STALL"), QStringLiteral("1"));
        const ChildRun run = RunChild(QCoreApplication::applicationFilePath(), {}, m_dir->path(), env);
        if (!run.err.contains(QLatin1String("uart:")))
            QSKIP(
                qPrintable(QStringLiteral("the interposed driver queue did not load: ") + run.err.left(300)));
        QVERIFY(run.started);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(uart), qPrintable(run.err));
        QCOMPARE(sim.requests().size(), stalled ? 4 : 1);
        QCOMPARE(sim.requests().front(), kWriteSerial);
    }
#endif

    // Each driver call may last 5 ms per byte + 50 ms beyond the time its bytes take on the line
    // (ten bit times each at 8N1): the listed rates down to 300 baud all get their time.
    void writeCallTimeoutCoversEveryRate_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("count");
        for (int index = 1; index <= 13; ++index)
            for (int count : {1, 2, 3, 9})
                QTest::addRow("%d bytes at %d", count, BaudRateFromIndex(index))
                    << BaudRateFromIndex(index) << count;
    }
    void writeCallTimeoutCoversEveryRate() {
        QFETCH(int, baud);
        QFETCH(int, count);
        const double onTheLine = count * 10'000.0 / baud;
        const auto bound = WriteCallTimeout(count, baud);
        QVERIFY2(bound.count() >= std::ceil(onTheLine) + 5 * count + 50,
                 qPrintable(QString::number(bound.count())));
        QVERIFY(bound.count() <= std::ceil(2 * onTheLine) + 5 * count + 51);
    }

    // The slowest rates end to end: the instrument paces its bytes at the rate the program set.
    void slowRates_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("300 baud") << 1;
        QTest::newRow("600 baud") << 2;
    }
    void slowRates() {
        QFETCH(int, index);
        SerialSim sim(Instrument());
        sim.pointProgramAt(3, index);
        CommandBuffer buffer{};
        std::copy(kWriteSerial.begin(), kWriteSerial.end(), buffer.begin());
        QVERIFY(SendCommand(cmdWriteSerial, buffer, 0, 9));
        buffer = {cmdReadSerial};
        QVERIFY(SendCommand(cmdReadSerial, buffer, 9, 1));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), 9),
                 QByteArray("\xF6", 1) + kWriteSerial.mid(1));
    }

    void failureReasons() {
        // Each flow takes the link settings in use when it starts.
        const auto identifyFailure = [] {
            InstrumentLink link;
            const bool answered = link.identify().has_value();
            return answered == link.lastFailure().isEmpty() ? link.lastFailure()
                                                            : QStringLiteral("inconsistent");
        };
        giCommStyle = 1;
        const QString missing = m_dir->filePath(QStringLiteral("ttyUSB9"));
        MapPort(3, missing);
        QCOMPARE(identifyFailure(), QStringLiteral("COM3（%1）：无此设备").arg(missing));

        SimSetup silent = Instrument();
        silent.faults.noReply = true;
        SerialSim sim(silent);
        sim.pointProgramAt(3);
        QCOMPARE(identifyFailure(), QStringLiteral("COM3（%1）：仪器无应答").arg(sim.devicePath()));

        sim.setFaults({});
        {
            TKMVCOM other; // another program holding the port
            QVERIFY(other.Open(3, 9600, 0));
            QCOMPARE(identifyFailure(), QStringLiteral("COM3（%1）：已被其他程序占用").arg(sim.devicePath()));
        }
        QCOMPARE(identifyFailure(), QString());
    }

    // A user outside the group that owns the device is told which group to join.
    void permissionDeniedNamesTheGroup() {
        if (geteuid() != 0)
            QSKIP("needs root to run a child as another user");
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("setpriv is not installed");
        SerialSim sim(Instrument());
        sim.pointProgramAt(3);
        QFile::setPermissions(sim.devicePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                 QFileDevice::ExeOther);
        const ChildRun run = RunChild(setpriv,
                                      {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                       QStringLiteral("--clear-groups"), QStringLiteral("--")},
                                      m_dir->path());
        if (!run.started || run.exitCode > 1)
            QSKIP("cannot run a child as user nobody");
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QLatin1String("dialout")), qPrintable(run.out));
        QVERIFY(run.out.startsWith(QStringLiteral("COM3（%1）：无权打开").arg(sim.devicePath())));
    }

    // The main window keeps its texts and gives the reason in the status panel's tool tip.
    void connectFailureReasonInTheToolTip() {
        MessageRecorder recorder;
        TFrmMain window;
        giCommStyle = 1;
        const QString missing = m_dir->filePath(QStringLiteral("ttyACM7"));
        MapPort(3, missing);
        QVERIFY(!window.ConnectDevice());
        QCOMPARE(window.StatusText(), QStringLiteral("设备已断开！"));
        QCOMPARE(recorder.texts(), QStringList{QStringLiteral("设备已断开！")});
        QCOMPARE(window.StatusPanel0->toolTip(), QStringLiteral("COM3（%1）：无此设备").arg(missing));
        SerialSim sim(Instrument());
        sim.pointProgramAt(3);
        QVERIFY(window.ConnectDevice());
        QCOMPARE(window.StatusPanel0->toolTip(), QString());
    }

private:
    std::unique_ptr<TempProgramDir> m_dir;
};

int main(int argc, char** argv) {
    const QString folder = qEnvironmentVariable(kChildEnv);
    if (!folder.isEmpty()) {
        QCoreApplication app(argc, argv);
        return RunChildExchange(folder);
    }
    QApplication app(argc, argv);
    TstSerialLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial_line.moc"
