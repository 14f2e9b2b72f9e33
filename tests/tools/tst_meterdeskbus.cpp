// meterdesk-cli's M-Bus bus commands against the simulator's bus of meters on a pseudo-terminal.

#include "meterprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct CliRun
{
    int status = -1;
    QList<QJsonObject> lines; // standard output, one JSON object a line
    QString err;
};

CliRun Cli(const QStringList &arguments)
{
    QProcess cli;
    QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.filePath("home"));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), config.filePath("system"));
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(METERDESK_CLI_PATH), arguments);
    CliRun run;
    if (!cli.waitForFinished(60000))
        return run;
    run.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    for (const QByteArray &line : cli.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            run.lines << QJsonDocument::fromJson(line).object();
    }
    run.err = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

// Two meters at primary 0 (the same number, told apart by maker and version), one with three
// telegrams, one with a maker field of hex digits.
const QStringList kBus{"--meter", "primary=0,id=11110000,maker=ELS,version=1,medium=4",
                       "--meter", "primary=0,id=11110000,maker=2C2D,version=2,medium=4",
                       "--meter", "primary=3,id=11112222,maker=B0B0,medium=7,telegrams=3",
                       "--meter", "primary=5,id=33330000,maker=ELS,medium=4"};

QStringList Secondaries(const CliRun &run)
{
    QStringList out;
    for (const QJsonObject &o : run.lines)
        out << o.value("event").toString() + ' ' + o.value("secondary").toString();
    out.sort();
    return out;
}

} // namespace

class TestMeterDeskBus : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(!m_meter.start(kBus).isEmpty());
        m_line = QStringList{"--port", m_meter.path(), "--timeout", "20"};
    }
    void cleanup() { m_meter.stop(); }

    void primaryScan_data()
    {
        QTest::addColumn<QString>("method");
        QTest::newRow("nke") << "nke";
        QTest::newRow("ud2") << "ud2";
    }
    void primaryScan()
    {
        QFETCH(QString, method);
        const CliRun run =
            Cli(QStringList{"scan", "--from", "0", "--to", "6", "--method", method} + m_line);
        QCOMPARE(run.status, 3); // the collision at address 0
        QCOMPARE(run.lines.size(), 3);
        QCOMPARE(run.lines[0].value("event").toString(), QStringLiteral("collision"));
        QCOMPARE(run.lines[0].value("primary").toInt(), 0);
        QCOMPARE(run.lines[1].value("secondary").toString(), QStringLiteral("11112222B0B00107"));
        QCOMPARE(run.lines[2].value("manufacturer").toString(), QStringLiteral("ELS"));
        // Each line has the time its meter was found: 0 and 5 lie three silent addresses, each
        // waited on for at least --timeout, apart.
        const auto time = [&](int i) {
            return QDateTime::fromString(run.lines[i].value("time").toString(), Qt::ISODateWithMs);
        };
        QVERIFY(time(0).isValid());
        QVERIFY2(time(0).msecsTo(time(2)) >= 3 * 20,
                 qPrintable(QStringLiteral("%1 ms").arg(time(0).msecsTo(time(2)))));
    }

    void secondarySearchFindsEachOnce()
    {
        const CliRun run = Cli(QStringList{"scan-secondary"} + m_line);
        QCOMPARE(run.status, 0);
        QCOMPARE(Secondaries(run),
                 (QStringList{"meter 1111000015930104", "meter 111100002C2D0204",
                              "meter 11112222B0B00107", "meter 3333000015930104"}));
    }

    void readsEveryTelegramBySecondaryAddress()
    {
        const CliRun run = Cli(QStringList{"read", "--secondary", "11112222FFFFFFFF"} + m_line);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(run.lines[i].value("telegram").toInt(), i + 1);
            QCOMPARE(run.lines[i].value("checked").toBool(), true);
            QCOMPARE(run.lines[i].value("more_records").toBool(), i < 2);
        }
    }

    void serviceCommands_data()
    {
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<int>("firstStatus");
        QTest::addColumn<QStringList>("then");
        QTest::addColumn<int>("thenStatus");
        QTest::newRow("ping at a shared address collides")
            << QStringList{"ping", "--address", "0"} << 3 << QStringList{"ping", "--address", "1"}
            << 1;
        QTest::newRow("set-address by secondary, then ping it")
            << QStringList{"set-address", "--secondary", "111100002C2D0204", "--new", "9"} << 0
            << QStringList{"ping", "--address", "9"} << 0;
        QTest::newRow("reset by primary, switch baud by secondary")
            << QStringList{"reset", "--address", "5", "--subcode", "00"} << 0
            << QStringList{"switch-baud", "--secondary", "33330000FFFFFFFF", "--to", "9600"} << 0;
        // Both meters took the new address: the collision is reported, not success or silence.
        QTest::newRow("set-address at a shared address collides")
            << QStringList{"set-address", "--address", "0", "--new", "9"} << 3
            << QStringList{"ping", "--address", "9"} << 3;
    }
    void serviceCommands()
    {
        QFETCH(QStringList, first);
        QFETCH(int, firstStatus);
        QFETCH(QStringList, then);
        QFETCH(int, thenStatus);
        const CliRun a = Cli(first + m_line);
        QCOMPARE(a.status, firstStatus);
        QCOMPARE(a.lines.size(), 1);
        QCOMPARE(a.lines[0].value("command").toString(), first[0]);
        QCOMPARE(Cli(then + m_line).status, thenStatus);
    }

private:
    MeterProcess m_meter{QStringLiteral(METERSIM_PATH)};
    QStringList m_line;
};

QTEST_GUILESS_MAIN(TestMeterDeskBus)
#include "tst_meterdeskbus.moc"
