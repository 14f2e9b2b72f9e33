#include "portoptions.h"
#include "ptypair.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

// meterdesk's port options: parsed, and --list-ports run as a technician runs it.
class TestPortOptions : public QObject
{
    Q_OBJECT
private slots:
    void shouldReadPortOptions_data();
    void shouldReadPortOptions();
    void shouldListEachPortWithItsStateWithoutAWindowSystem();
};

void TestPortOptions::shouldReadPortOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    // Each mapping as "n=DEVICE", in the order given.
    QTest::addColumn<QStringList>("mappings");
    QTest::addColumn<bool>("listPorts");
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("none") << QStringList() << QStringList() << false << QStringList();
    QTest::newRow("repeated, both spellings")
        << QStringList({"--port", "COM5=/dev/ttyAMA0", "--port=com6=/dev/serial/by-id/x"})
        << QStringList({"5=/dev/ttyAMA0", "6=/dev/serial/by-id/x"}) << false << QStringList();
    QTest::newRow("faulty value left out")
        << QStringList({"--port", "COM21=/dev/ttyUSB0", "--list-ports", "--port", "COM1=/dev/pts/4"})
        << QStringList({"1=/dev/pts/4"}) << true
        << QStringList({"--port COM21=/dev/ttyUSB0: COM21 is outside COM1 to COM20"});
}

void TestPortOptions::shouldReadPortOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, mappings);
    QFETCH(bool, listPorts);
    QFETCH(QStringList, problems);

    QCommandLineParser parser;
    AddPortOptions(parser);
    QVERIFY(parser.parse(QStringList({"meterdesk"}) + arguments));
    const PortOptions options = ReadPortOptions(parser);
    QStringList read;
    for (const PortMapping &mapping : options.mappings)
        read << QStringLiteral("%1=%2").arg(mapping.port).arg(mapping.device);
    QCOMPARE(read, mappings);
    QCOMPARE(options.listPorts, listPorts);
    QCOMPARE(options.problems, problems);
}

void TestPortOptions::shouldListEachPortWithItsStateWithoutAWindowSystem()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    PtyPair freeAdapter;
    PtyPair busyAdapter;
    QVERIFY(freeAdapter.isOpen() && busyAdapter.isOpen());
    QSerialPort otherProgram(busyAdapter.slavePath());
    QVERIFY(otherProgram.open(QIODevice::ReadWrite));

    const QString userFile = config.filePath("home/MeterDesk/ports.ini");
    QVERIFY(QDir().mkpath(QFileInfo(userFile).path()));
    QFile file(userFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("COM5=" + freeAdapter.slavePath().toUtf8() + "\nCOM7=/dev/meterdesk-none\nCOM6\n");
    file.close();

    QProcess meterdesk;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.filePath("home"));
    environment.insert("XDG_CONFIG_DIRS", config.filePath("system"));
    // A window system that cannot start: listing must not need one.
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    meterdesk.setProcessEnvironment(environment);
    const QString busyMapping = QStringLiteral("COM6=") + busyAdapter.slavePath();
    meterdesk.start(QStringLiteral(METERDESK_PATH),
                    {"--list-ports", "--port", busyMapping, "--port", "COM0=/dev/ttyS0"});
    QVERIFY(meterdesk.waitForFinished(30000));
    QCOMPARE(meterdesk.exitStatus(), QProcess::NormalExit);
    QCOMPARE(meterdesk.exitCode(), 0);

    const QStringList lines = QString::fromLocal8Bit(meterdesk.readAllStandardOutput()).split(u'\n');
    const QStringList expected = {
        "COM5  free           " + freeAdapter.slavePath() + "  (from " + userFile + ":1)",
        "COM6  busy           " + busyAdapter.slavePath() + "  (from --port " + busyMapping + ")",
        "COM7  missing        /dev/meterdesk-none  (from " + userFile + ":2)",
    };
    for (const QString &line : expected)
        QVERIFY2(lines.contains(line), qPrintable(lines.join(u'\n')));
    // The built-in table fills the other numbers: every port has its line.
    QCOMPARE(lines.filter(QRegularExpression("^COM\\d+ +(free|busy|missing|no permission) ")).size(),
             20);

    const QStringList errors =
        QString::fromLocal8Bit(meterdesk.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 3);
    QVERIFY(errors.filter(QRegularExpression("^--port COM0=/dev/ttyS0: ")).size() == 1);
    QVERIFY(errors.filter(QRegularExpression("^" + QRegularExpression::escape(userFile) + ":2: "))
                .size() == 1);
    QVERIFY(errors.filter(QRegularExpression("^" + QRegularExpression::escape(userFile) + ":3: "))
                .size() == 1);
}

QTEST_GUILESS_MAIN(TestPortOptions)
#include "tst_portoptions.moc"
