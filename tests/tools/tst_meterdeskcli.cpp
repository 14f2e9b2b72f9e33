#include "filesizelimit.h"
#include "meterprocess.h"
#include "writefile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct CliRun
{
    int status = -1;
    QStringList out; // lines on standard output
    QStringList err; // lines on standard error
};

// The configuration folders the program sees: empty ones of its own unless a test writes a port
// map there, so that the port maps of the machine running the tests play no part.
const QTemporaryDir &ConfigDir()
{
    static const QTemporaryDir dir;
    return dir;
}

QString UserPortMapFile()
{
    return ConfigDir().filePath(QStringLiteral("home/MeterDesk/ports.ini"));
}

// Runs the program; an argument "DEVICE" becomes `device`.
CliRun RunCli(QStringList arguments, const QString &device = {})
{
    arguments.replaceInStrings(QRegularExpression("^DEVICE$"), device);
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigDir().filePath("home"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), ConfigDir().filePath("system"));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(METERDESK_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(20000))
        return run;
    run.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = QString::fromUtf8(cli.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(cli.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return run;
}

QJsonObject Json(const QString &line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// The first record's quantity and value, e.g. "current cumulative flow 1234.56".
QString FirstRecord(const QJsonObject &reply)
{
    const QJsonObject r = reply.value("records").toArray().first().toObject();
    return r.value("quantity").toString() + ' ' + r.value("value").toVariant().toString();
}

// DEVICE stands for the simulated meter's pseudo-terminal.
const QStringList kReadCj188{"read",       "--port", "DEVICE",    "--timeout", "300",
                             "--protocol", "cj188",  "--address", "12345678"};
const QStringList kReadMbus{"read",       "--port", "DEVICE",    "--timeout", "300",
                            "--protocol", "mbus",   "--address", "0"};

} // namespace

// meterdesk-cli reading the simulated meter through a real pseudo-terminal.
class TestMeterdeskCli : public QObject
{
    Q_OBJECT
private slots:
    void shouldReportEachOutcomeOfARead_data();
    void shouldReportEachOutcomeOfARead();
    void shouldLogEveryChunkWithItsTime();
    void shouldEndWith74WhenTheLogCannotBeWritten();
    void shouldReadAgainAfterTheIntervalWhenRepeating();
    void shouldCountDroppedAndCorruptedRepliesInTheStatistics();
    void shouldNameTheProgramHoldingABusyPort();
    void shouldReachAPortThroughTheUsersPortMap();
    void shouldCheckTheBytesGivenToDecode_data();
    void shouldCheckTheBytesGivenToDecode();
};

void TestMeterdeskCli::shouldReportEachOutcomeOfARead_data()
{
    QTest::addColumn<QStringList>("meter"); // simulator options; empty: no simulator
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstRecord"); // of the JSON line; empty: no JSON expected
    QTest::addColumn<QString>("error");       // pattern of the one line on stderr; empty: none

    const QStringList plain{"--cj188-type", "10"}; // a meter without faults
    QTest::newRow("cj188 water meter")
        << plain << kReadCj188 << 0 << "current cumulative flow 1234.56"
        << "";
    QTest::newRow("cj188 heat meter, split reply")
        << QStringList{"--cj188-type", "20", "--split", "7"}
        << kReadCj188 + QStringList{"--type", "20"} << 0 << "settlement-date heat 45000000"
        << "";
    QTest::newRow("cj188 over a line with local echo")
        << QStringList{"--echo"} << kReadCj188 << 0 << "current cumulative flow 1234.56"
        << "";
    QTest::newRow("mbus") << plain << kReadMbus << 0 << "energy 45678000"
                          << "";
    QTest::newRow("mbus, noise before the reply")
        << QStringList{"--noise"} << kReadMbus << 0 << "energy 45678000"
        << "";
    QTest::newRow("silent meter") << QStringList{"--silent"} << kReadMbus << 1 << ""
                                  << "no reply within 300 ms";
    QTest::newRow("another meter's address")
        << plain << QStringList{"read",       "--port", "DEVICE",    "--timeout", "300",
                                "--protocol", "cj188",  "--address", "1"}
        << 1 << ""
        << "no reply within 300 ms";
    QTest::newRow("mbus wrong checksum")
        << QStringList{"--bad-checksum"} << kReadMbus << 2 << "energy 45678000"
        << "the reply failed the check";
    QTest::newRow("cj188 wrong checksum")
        << QStringList{"--bad-checksum"} << kReadCj188 << 2 << "current cumulative flow 1234.56"
        << "the reply failed the check";
    QTest::newRow("cj188 echo, then a reply failing the check: the reply is shown")
        << QStringList{"--echo", "--bad-checksum"} << kReadCj188 << 2
        << "current cumulative flow 1234.56"
        << "the reply failed the check";
    QTest::newRow("missing device") << QStringList() << kReadMbus << 74 << ""
                                    << "cannot open the port: /nonexistent/tty does not exist";
    QTest::newRow("no port") << QStringList() << QStringList{"read", "--protocol", "mbus"} << 64
                             << ""
                             << "read needs --port";
    QTest::newRow("bad parity") << plain << kReadMbus + QStringList{"--parity", "X"} << 64 << ""
                                << "invalid value for --parity: X";
    QTest::newRow("mbus address out of range")
        << plain
        << QStringList{"read", "--port", "DEVICE", "--protocol", "mbus", "--address", "256"} << 64
        << ""
        << "mbus needs --address from 0 to 255";
    QTest::newRow("cj188 address with a letter")
        << plain
        << QStringList{"read", "--port", "DEVICE", "--protocol", "cj188", "--address", "12a"} << 64
        << ""
        << "cj188 needs --address of one to ten digits";
    // Numbers: plain decimal digits within the option's range, nothing else.
    const QList<QStringList> badNumbers{
        {"--interval", "nan"}, {"--interval", "inf"},     {"--interval", "-1"},
        {"--interval", "1e3"}, {"--timeout", "+300"},     {"--timeout", "300ms"},
        {"--repeat", "0"},     {"--baud", "99999999999"}, {"--baud", " 2400"}};
    for (const QStringList &option : badNumbers)
        QTest::addRow("%s %s", qPrintable(option[0]), qPrintable(option[1]))
            << QStringList() << kReadMbus + option << 64 << ""
            << QStringLiteral("invalid value for %1: %2").arg(option[0], option[1]);
    for (const QString port : {"COM0", "COM21", "COM99"})
        QTest::addRow("%s", qPrintable(port))
            << QStringList()
            << QStringList{"read", "--port", port, "--protocol", "mbus", "--address", "0"} << 64
            << ""
            << QStringLiteral("invalid value for --port: %1 is outside COM1 to COM20").arg(port);
    QTest::newRow("unknown command") << QStringList() << QStringList{"write"} << 64 << ""
                                     << "expected the command decode or read";
    // The bus commands check every option of theirs before opening the port (here a missing
    // device, which would end in 74).
    const QList<std::pair<QStringList, QString>> busUsage{
        {{"scan", "--from", "-1"}, "scan needs --from and --to from 0 to 255"},
        {{"scan", "--to", "256"}, "scan needs --from and --to from 0 to 255"},
        {{"scan", "--from", "9", "--to", "3"}, "--from not above --to"},
        {{"scan", "--method", "nkee"}, "invalid value for --method: nkee"},
        {{"scan-secondary", "--mask", "FFFF"}, "invalid value for --mask: FFFF"},
        {{"scan-secondary", "--mask", "1111A000FFFFFFFF"}, "invalid value for --mask"},
        {{"read", "--secondary", "1111A000FFFFFFFF"}, "invalid value for --secondary"},
        {{"ping", "--retries", "1x"}, "invalid value for --retries: 1x"},
        {{"ping", "--timeout", "nan"}, "invalid value for --timeout: nan"},
        {{"set-address", "--address", "1", "--new", "251"}, "needs --new from 0 to 250"},
        {{"reset", "--subcode", "100"}, "invalid value for --subcode: 100"},
        {{"switch-baud", "--to", "115200"}, "switch-baud needs --to 300"}};
    for (const auto &[options, error] : busUsage)
        QTest::addRow("%s", qPrintable(options.join(' ')))
            << QStringList() << QStringList{options[0], "--port", "DEVICE"} + options.mid(1) << 64
            << "" << error;
}

void TestMeterdeskCli::shouldReportEachOutcomeOfARead()
{
    QFETCH(QStringList, meter);
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, firstRecord);
    QFETCH(QString, error);

    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    QString device = QStringLiteral("/nonexistent/tty");
    if (!meter.isEmpty()) {
        device = sim.start(meter);
        QVERIFY2(!device.isEmpty(), "the simulated meter did not start");
    }
    const CliRun run = RunCli(arguments, device);

    QCOMPARE(run.status, status);
    QCOMPARE(run.out.size(), firstRecord.isEmpty() ? 0 : 1);
    if (!firstRecord.isEmpty()) {
        const QJsonObject reply = Json(run.out.first());
        QCOMPARE(reply.value("checked").toBool(), status == 0);
        QCOMPARE(FirstRecord(reply), firstRecord);
    }
    QCOMPARE(run.err.size(), error.isEmpty() ? 0 : 1);
    if (!error.isEmpty())
        QVERIFY2(run.err.first().contains(error), qPrintable(run.err.first()));
}

void TestMeterdeskCli::shouldLogEveryChunkWithItsTime()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    const QString device = sim.start({"--split", "30"}); // the last piece holds CS and stop
    QVERIFY(!device.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath("exchange.log");

    for (int i = 0; i < 2; ++i) // the second run appends
        QCOMPARE(RunCli(kReadMbus + QStringList{"--log", path}, device).status, 0);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    const QRegularExpression form(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d) (TX|RX)( [0-9A-F]{2})+$)");
    QString sent, received;
    for (const QString &line : lines) {
        QVERIFY2(form.match(line).hasMatch(), qPrintable(line));
        (line.contains(" TX ") ? sent : received) += line.section(' ', 2) + ' ';
    }
    // Both requests, and every byte of both replies, which came in pieces.
    QCOMPARE(sent.trimmed(), QStringLiteral("10 5B 00 5B 16 10 5B 00 5B 16"));
    QTRY_COMPARE(sim.logLines("TX").join(' '), received.trimmed());
    QVERIFY(lines.size() > 4);
}

// A log the disk has no room for (a file size limit the program inherits): every reply is still
// read and printed, the failure is said once, and the run ends with 74 whatever the replies were.
void TestMeterdeskCli::shouldEndWith74WhenTheLogCannotBeWritten()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    const QString device = sim.start({});
    QVERIFY(!device.isEmpty());
    QTemporaryDir dir;
    // A log that already holds as much as the limit lets it, while the port's lock file still
    // fits.
    const QString path = dir.filePath("exchange.log");
    constexpr int kLimit = 4096;
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(QByteArray(kLimit, '#')) == kLimit);
    earlier.close();
    CliRun run;
    {
        FileSizeLimit full(kLimit);
        QVERIFY(full.isActive());
        run = RunCli(kReadMbus + QStringList{"--repeat", "3", "--interval", "0", "--log", path},
                     device);
    }
    QCOMPARE(run.status, 74);
    QCOMPARE(run.out.size(), 4); // three reads and their statistics
    QCOMPARE(run.err.size(), 1);
    QVERIFY2(run.err.first().contains(QStringLiteral("traffic log")), qPrintable(run.err.first()));
}

void TestMeterdeskCli::shouldReadAgainAfterTheIntervalWhenRepeating()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    const QString device = sim.start({});
    QVERIFY(!device.isEmpty());
    const CliRun run =
        RunCli(kReadMbus + QStringList{"--repeat", "3", "--interval", "0.2"}, device);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.size(), 4);
    for (int i = 0; i < 3; ++i) // the meter counts its replies in the access number
        QCOMPARE(Json(run.out[i]).value("header").toObject().value("access").toInt(), i + 1);
    const QJsonObject statistics = Json(run.out[3]).value("statistics").toObject();
    QCOMPARE(statistics.value("requests").toInt(), 3);
    QCOMPARE(statistics.value("passed").toInt(), 3);
}

void TestMeterdeskCli::shouldCountDroppedAndCorruptedRepliesInTheStatistics()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    // Replies 3 and 6 stay unsent, 2 and 4 carry a wrong checksum: 1 and 5 pass.
    const QString device = sim.start({"--drop-every", "3", "--corrupt-every", "2"});
    QVERIFY(!device.isEmpty());
    const CliRun run = RunCli(
        kReadMbus + QStringList{"--repeat", "6", "--interval", "0", "--timeout", "3000"}, device);
    QCOMPARE(run.status, 2);
    const QJsonObject last = Json(run.out.last());
    QVERIFY(!last.value("time").toString().isEmpty());
    const QJsonObject statistics = last.value("statistics").toObject();
    QCOMPARE(statistics.value("requests").toInt(), 6);
    QCOMPARE(statistics.value("passed").toInt(), 2);
    QCOMPARE(statistics.value("no_reply").toInt(), 2);
    QCOMPARE(statistics.value("failed").toInt(), 2);
    QVERIFY(statistics.value("longest_ms").toInt() >= statistics.value("average_ms").toInt());
}

void TestMeterdeskCli::shouldNameTheProgramHoldingABusyPort()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    const QString device = sim.start({});
    QVERIFY(!device.isEmpty());
    QSerialPort holder(device);
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const CliRun run = RunCli(kReadMbus, device);
    QCOMPARE(run.status, 74);
    QCOMPARE(run.err.size(), 1);
    const QString expected = QStringLiteral("%1 is held by tst_meterdeskcli (pid %2)")
                                 .arg(device)
                                 .arg(QCoreApplication::applicationPid());
    QVERIFY2(run.err.first().contains(expected), qPrintable(run.err.first()));
}

void TestMeterdeskCli::shouldReachAPortThroughTheUsersPortMap()
{
    MeterProcess sim{QStringLiteral(METERSIM_PATH)};
    const QString device = sim.start({});
    QVERIFY(!device.isEmpty());
    const QStringList readCom7{"read",       "--port", "COM7",      "--timeout", "300",
                               "--protocol", "mbus",   "--address", "0"};

    // The built-in table's device for COM7 is no meter of ours.
    QVERIFY(RunCli(readCom7).status != 0);

    QVERIFY(WriteFile(UserPortMapFile(), ("# the bench\nCOM7=" + device + "\n").toUtf8()));
    const CliRun run = RunCli(readCom7);
    QFile::remove(UserPortMapFile());
    QCOMPARE(run.status, 0);
    QCOMPARE(FirstRecord(Json(run.out.value(0))), QStringLiteral("energy 45678000"));
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err.join('\n')));
}

void TestMeterdeskCli::shouldCheckTheBytesGivenToDecode_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("jsonLines");
    QTest::addColumn<QString>("error"); // the JSON's "error" where a rule is broken

    const QStringList mbus{"decode", "--protocol", "mbus"};
    const QStringList frame{"68 03 03 68", "08 01 78", "81", "16"}; // no records
    QTest::newRow("checked") << mbus + frame << 0 << 1 << QString();
    QStringList bad = frame;
    bad[2] = "82";
    QTest::newRow("wrong checksum") << mbus + bad << 2 << 1 << QString();
    QTest::newRow("not hex") << mbus + QStringList{"6G"} << 64 << 0 << QString();
    QTest::newRow("unknown protocol")
        << QStringList{"decode", "--protocol", "modbus", "68"} << 64 << 0 << QString();
    // The checksum holds, yet another rule is broken: named, not a decoding error found after it.
    QTest::newRow("no end byte") << mbus + QStringList{"68 03 03 68 08 01 72 7B"} << 2 << 1
                                 << "no end byte after the checksum";
    QTest::newRow("our own SND_UD") << mbus + QStringList{"68 03 03 68 53 FE 51 A2 16"} << 2 << 1
                                    << "a request, not a meter's reply";
}

void TestMeterdeskCli::shouldCheckTheBytesGivenToDecode()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(int, jsonLines);
    QFETCH(QString, error);
    const CliRun run = RunCli(arguments);
    QCOMPARE(run.status, status);
    QCOMPARE(run.out.size(), jsonLines);
    QCOMPARE(run.err.size(), status == 0 ? 0 : 1);
    if (jsonLines == 1)
        QCOMPARE(Json(run.out.first()).value("checked").toBool(), status == 0);
    if (!error.isEmpty())
        QCOMPARE(Json(run.out.first()).value("error").toString(), error);
}

QTEST_GUILESS_MAIN(TestMeterdeskCli)
#include "tst_meterdeskcli.moc"
