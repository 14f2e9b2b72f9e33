#include "ptypair.h"
#include "writefile.h"

#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

// meterdesk --list-ports, run as a technician runs it.
class TestPortOptions : public QObject
{
    Q_OBJECT
private slots:
    void shouldListEachPortWithItsStateWithoutAWindowSystem();
};

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
    QVERIFY(WriteFile(userFile, "COM5=" + freeAdapter.slavePath().toUtf8() +
                                    "\nCOM7=/dev/meterdesk-none\nCOM6\n"));

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
                    {"--list-ports", "--port", busyMapping, "--port=COM0=/dev/ttyS0"});
    QVERIFY(meterdesk.waitForFinished(30000));
    QCOMPARE(meterdesk.exitStatus(), QProcess::NormalExit);
    QCOMPARE(meterdesk.exitCode(), 0);

    const QStringList lines =
        QString::fromLocal8Bit(meterdesk.readAllStandardOutput()).split(u'\n');
    const QStringList expected = {
        "COM5  free           " + freeAdapter.slavePath() + "  (from " + userFile + ":1)",
        "COM6  busy           " + busyAdapter.slavePath() + "  (from --port " + busyMapping + ")",
        "COM7  missing        /dev/meterdesk-none  (from " + userFile + ":2)",
    };
    for (const QString &line : expected)
        QVERIFY2(lines.contains(line), qPrintable(lines.join(u'\n')));
    // A port that would not open says why on the line below it.
    const auto reasonOf = [&lines](const QString &line) {
        return lines.value(lines.indexOf(line) + 1);
    };
    QVERIFY(!reasonOf(expected[0]).startsWith(u' '));
    QCOMPARE(reasonOf(expected[1]),
             "      " + busyAdapter.slavePath() + " is held by " +
                 QFileInfo(QCoreApplication::applicationFilePath()).fileName() + " (pid " +
                 QString::number(QCoreApplication::applicationPid()) + "); close it and try again");
    QCOMPARE(reasonOf(expected[2]),
             QStringLiteral("      /dev/meterdesk-none does not exist; check the cable or USB "
                            "adapter"));
    // The built-in table fills the other numbers: every port has its line.
    QCOMPARE(
        lines.filter(QRegularExpression("^COM\\d+ +(free|busy|missing|no permission) ")).size(),
        20);

    // One line for each fault, naming where it was written.
    QStringList faults;
    for (const QString &line :
         QString::fromLocal8Bit(meterdesk.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts))
        faults << line.section(QStringLiteral(": "), 0, 0);
    faults.sort();
    QCOMPARE(faults, QStringList({"--port COM0=/dev/ttyS0", userFile + ":2", userFile + ":3"}));
}

QTEST_GUILESS_MAIN(TestPortOptions)
#include "tst_portoptions.moc"
