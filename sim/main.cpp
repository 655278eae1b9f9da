// ohmara-sim: the virtual loop-resistance tester on a pseudo-terminal. Prints the device path
// on the first line of its output and answers the instrument's commands until SIGINT or SIGTERM.
//
//   ohmara-sim --demo --ini /path/to/SystemFile.ini --port 3
//   ohmara-sim --records 255 --fault short=1 --fault only=0xF1
//   ohmara-sim --file instrument.txt
#include "sim/PtyServer.h"
#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

namespace {

bool Configure(const QCommandLineParser& args, SimSetup& setup, QString* error) {
    // Without --records or a setup file the instrument holds the demo records.
    if (!args.isSet(QStringLiteral("records")) && !args.isSet(QStringLiteral("file")))
        setup.records = DemoRecords();
    setup.stepFlags = SimSetup::allSteps();
    if (args.isSet(QStringLiteral("file")) &&
        !LoadSetupFile(args.value(QStringLiteral("file")), setup, error))
        return false;
    for (const char* key : {"records", "identity", "serial", "usb-serial", "steps"}) {
        const QString name = QString::fromLatin1(key);
        if (args.isSet(name) && !ApplySetupEntry(name, args.value(name), setup, error))
            return false;
    }
    if (args.isSet(QStringLiteral("demo")))
        setup.records = DemoRecords();
    for (const QString& fault : args.values(QStringLiteral("fault")))
        if (!ApplyFault(fault, setup.faults, error))
            return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.setApplicationDescription(
        QStringLiteral("The virtual loop-resistance tester on a pseudo-terminal."));
    args.addHelpOption();
    args.addOptions({
        {QStringLiteral("demo"),
         QStringLiteral("A few plausible stored records (the default without --records "
                        "or --file).")},
        {QStringLiteral("records"), QStringLiteral("Stored records: N generated ones (0..255) or \"demo\"."),
         QStringLiteral("n")},
        {QStringLiteral("file"), QStringLiteral("Setup file (records, identity, serial, steps, faults)."),
         QStringLiteral("path")},
        {QStringLiteral("identity"), QStringLiteral("Model identity: 1, 2 or another value."),
         QStringLiteral("n")},
        {QStringLiteral("serial"), QStringLiteral("Serial number, 16 hexadecimal digits."),
         QStringLiteral("hex")},
        {QStringLiteral("usb-serial"), QStringLiteral("USB serial-number string."), QStringLiteral("text")},
        {QStringLiteral("steps"), QStringLiteral("Offered step codes, such as 1,7,8, or \"all\"."),
         QStringLiteral("list")},
        {QStringLiteral("fault"),
         QStringLiteral("no-reply, short=N, stray=HEX, surplus=HEX, status=0x81|0x82, die-after=K, only=CODE "
                        "(repeatable)."),
         QStringLiteral("fault")},
        {QStringLiteral("baud"),
         QStringLiteral("Pace replies at this rate instead of the port's (-1: no pacing)."),
         QStringLiteral("rate")},
        {QStringLiteral("ini"), QStringLiteral("Map the port in [SerialPorts] of this SystemFile.ini."),
         QStringLiteral("path")},
        {QStringLiteral("port"), QStringLiteral("COM number for --ini (default 3)."), QStringLiteral("n"),
         QStringLiteral("3")},
    });
    args.process(app);

    SimSetup setup;
    QString error;
    if (!Configure(args, setup, &error)) {
        std::fprintf(stderr, "ohmara-sim: %s\n", qPrintable(error));
        return 2;
    }

    // Every thread started from here on inherits the blocked signals; the main thread waits for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto instrument = std::make_shared<VirtualInstrument>(setup);
    PtyServer server(instrument);
    server.setBaudRate(args.value(QStringLiteral("baud")).toInt());
    if (!server.start()) {
        std::fprintf(stderr, "ohmara-sim: no pseudo-terminal: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    if (args.isSet(QStringLiteral("ini"))) {
        const int port = std::clamp(args.value(QStringLiteral("port")).toInt(), 1, 16);
        if (!WriteSerialPortMapping(args.value(QStringLiteral("ini")), port, server.devicePath())) {
            std::fprintf(stderr, "ohmara-sim: cannot write %s\n",
                         qPrintable(args.value(QStringLiteral("ini"))));
            return 1;
        }
        std::fprintf(stderr, "ohmara-sim: COM%d=%s in %s\n", port, qPrintable(server.devicePath()),
                     qPrintable(args.value(QStringLiteral("ini"))));
    }
    std::printf("%s\n", qPrintable(server.devicePath()));
    std::fflush(stdout);
    std::fprintf(stderr, "ohmara-sim: %lld records, identity %d; stop with Ctrl+C\n",
                 static_cast<long long>(setup.records.size()), setup.identity);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    std::fprintf(stderr, "ohmara-sim: stopped after %lld requests\n",
                 static_cast<long long>(instrument->requests().size()));
    return 0;
}
