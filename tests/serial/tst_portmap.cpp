#include "portmaploader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The port map file and the layered map, against map files in a temporary configuration tree.
class TestPortMap : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void shouldReadAnAssignmentOrSayWhyNot_data();
    void shouldReadAnAssignmentOrSayWhyNot();
    void shouldReportEachFaultyLineByFileAndLine();
    void shouldLayerCommandLineOverUserOverSystemOverBuiltIn();
    void shouldReportAProblemOnceWhileItLasts();

private:
    // Writes `text` as the map file of a configuration folder below the temporary tree.
    QString writeMap(const QString &folder, const QByteArray &text);
    // A file standing in for a device, so that the mapping does not count as missing.
    QString device(const QString &name);

    std::unique_ptr<QTemporaryDir> m_tree;
};

void TestPortMap::init()
{
    m_tree = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tree->isValid());
    qputenv("XDG_CONFIG_HOME", m_tree->filePath("home").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS",
            (m_tree->filePath("site") + u':' + m_tree->filePath("vendor")).toLocal8Bit());
}

QString TestPortMap::writeMap(const QString &folder, const QByteArray &text)
{
    const QString path = m_tree->filePath(folder + QStringLiteral("/MeterDesk/ports.ini"));
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString TestPortMap::device(const QString &name)
{
    const QString path = m_tree->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot create %s", qPrintable(path));
    return path;
}

void TestPortMap::shouldReadAnAssignmentOrSayWhyNot_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    // A word only the message for this kind of fault contains; empty for a good assignment.
    QTest::addColumn<QString>("fault");

    QTest::newRow("plain") << "COM5=/dev/ttyUSB0" << 5 << "/dev/ttyUSB0" << "";
    QTest::newRow("blanks, lower case, a stable name")
        << "  com12 =  /dev/serial/by-id/usb-FTDI_A10K-if00-port0 " << 12
        << "/dev/serial/by-id/usb-FTDI_A10K-if00-port0" << "";
    QTest::newRow("leading zero") << "COM07=/dev/ttyAMA0" << 7 << "/dev/ttyAMA0" << "";
    QTest::newRow("last port") << "COM20=/dev/ttyS9" << 20 << "/dev/ttyS9" << "";
    QTest::newRow("equals sign inside the device") << "COM1=/dev/a=b" << 1 << "/dev/a=b" << "";
    QTest::newRow("no equals sign") << "COM5 /dev/ttyUSB0" << 0 << "" << "not a port mapping";
    QTest::newRow("no port name") << "=/dev/ttyUSB0" << 0 << "" << "not a port name";
    QTest::newRow("other name") << "TTY5=/dev/ttyUSB0" << 0 << "" << "not a port name";
    QTest::newRow("no number") << "COM=/dev/ttyUSB0" << 0 << "" << "not a port name";
    QTest::newRow("signed number") << "COM+5=/dev/ttyUSB0" << 0 << "" << "not a port name";
    QTest::newRow("number and letters") << "COM5a=/dev/ttyUSB0" << 0 << "" << "not a port name";
    QTest::newRow("zero") << "COM0=/dev/ttyUSB0" << 0 << "" << "outside";
    QTest::newRow("above 20") << "COM21=/dev/ttyUSB0" << 0 << "" << "outside";
    QTest::newRow("beyond int") << "COM99999999999=/dev/x" << 0 << "" << "outside";
    QTest::newRow("no device") << "COM5=  " << 0 << "" << "no device";
}

void TestPortMap::shouldReadAnAssignmentOrSayWhyNot()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QFETCH(QString, device);
    QFETCH(QString, fault);

    const PortAssignment assignment = ParsePortAssignment(text);
    QCOMPARE(assignment.port, port);
    QCOMPARE(assignment.device, device);
    if (fault.isEmpty())
        QVERIFY2(assignment.problem.isEmpty(), qPrintable(assignment.problem));
    else
        QVERIFY2(assignment.problem.contains(fault), qPrintable(assignment.problem));
}

void TestPortMap::shouldReportEachFaultyLineByFileAndLine()
{
    const QString text = QStringLiteral("# adapters on the bench\r\n"
                                        "\r\n"
                                        "COM5=/dev/ttyUSB3\r\n"
                                        "  ; the Pi's own port\n"
                                        "COM2=/dev/ttyAMA0\n"
                                        "[ports]\n"
                                        "COM30=/dev/ttyUSB4\n"
                                        "COM5=/dev/serial/by-id/usb-A\n");
    const PortMappings read = ParsePortMapText(text, QStringLiteral("ports.ini"));

    QCOMPARE(read.mappings.size(), 2);
    QCOMPARE(read.mappings.at(0).port, 2);
    QCOMPARE(read.mappings.at(0).device, QStringLiteral("/dev/ttyAMA0"));
    QCOMPARE(read.mappings.at(0).origin, QStringLiteral("ports.ini:5"));
    QCOMPARE(read.mappings.at(1).port, 5);
    QCOMPARE(read.mappings.at(1).device, QStringLiteral("/dev/serial/by-id/usb-A"));
    QCOMPARE(read.mappings.at(1).origin, QStringLiteral("ports.ini:8"));

    QCOMPARE(read.problems.size(), 3);
    QVERIFY(read.problems.at(0).startsWith(QStringLiteral("ports.ini:6: \"[ports]\" is not")));
    QCOMPARE(read.problems.at(1), QStringLiteral("ports.ini:7: COM30 is outside COM1 to COM20"));
    QVERIFY(read.problems.at(2).startsWith(QStringLiteral("ports.ini:8: COM5 is mapped again")));

    // A map file that exists but cannot be read is one problem, naming it.
    const QString folder = m_tree->filePath(QStringLiteral("folder-not-file.ini"));
    QVERIFY(QDir().mkpath(folder));
    const PortMappings unreadable = ReadPortMapFile(folder);
    QVERIFY(unreadable.mappings.isEmpty());
    QCOMPARE(unreadable.problems.size(), 1);
    QVERIFY(unreadable.problems.at(0).startsWith(folder + QStringLiteral(": cannot be read")));
    // An absent file is no fault: the files are optional.
    const PortMappings absent = ReadPortMapFile(m_tree->filePath(QStringLiteral("none.ini")));
    QVERIFY(absent.mappings.isEmpty() && absent.problems.isEmpty());
}

void TestPortMap::shouldLayerCommandLineOverUserOverSystemOverBuiltIn()
{
    PortMap builtIn = PortMap::empty();
    for (int port = 1; port <= 6; ++port)
        builtIn.set(port, QStringLiteral("/dev/built-in%1").arg(port));
    writeMap("vendor", "COM2=" + device("vendor2").toUtf8() + "\nCOM3=" +
                           device("vendor3").toUtf8() + "\nCOM4=" + device("vendor4").toUtf8() +
                           "\nCOM5=" + device("vendor5").toUtf8() + "\n");
    writeMap("site", "COM3=" + device("site3").toUtf8() + "\nCOM4=" + device("site4").toUtf8() +
                         "\nCOM5=" + device("site5").toUtf8() + "\n");
    const QString userFile =
        writeMap("home", "COM4=" + device("user4").toUtf8() + "\nCOM5=" +
                             device("user5").toUtf8() + "\nCOM8=" + device("user8").toUtf8() + "\n");
    QCOMPARE(PortMapLoader::userFile(), userFile);

    const PortMapLoader loader({{5, device("cli5"), QStringLiteral("--port COM5=cli5")}}, builtIn);
    const LoadedPortMap loaded = loader.load();

    QVERIFY2(loaded.problems.isEmpty(), qPrintable(loaded.problems.join(u'\n')));
    QCOMPARE(loaded.map.device(1), QStringLiteral("/dev/built-in1"));
    QCOMPARE(loaded.map.device(2), m_tree->filePath("vendor2"));
    QCOMPARE(loaded.map.device(3), m_tree->filePath("site3"));
    QCOMPARE(loaded.map.device(4), m_tree->filePath("user4"));
    QCOMPARE(loaded.map.device(5), m_tree->filePath("cli5"));
    QCOMPARE(loaded.map.device(6), QStringLiteral("/dev/built-in6"));
    QCOMPARE(loaded.map.device(8), m_tree->filePath("user8"));
    QCOMPARE(loaded.origins.value(1), QString());
    QCOMPARE(loaded.origins.value(4), userFile + QStringLiteral(":1"));
    QCOMPARE(loaded.origins.value(5), QStringLiteral("--port COM5=cli5"));
}

void TestPortMap::shouldReportAProblemOnceWhileItLasts()
{
    const QString missing = m_tree->filePath(QStringLiteral("adapter"));
    const QString userFile = writeMap("home", "COM9=" + missing.toUtf8() + "\n");
    PortMapLoader loader({}, PortMap::empty());
    QStringList reported;
    const auto report = [&reported](const QString &line) { reported << line; };

    // The entry holds though its device is missing: the adapter may be plugged in later.
    QCOMPARE(loader.loadAndReport(report).device(9), missing);
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported.at(0).startsWith(userFile + QStringLiteral(":1: ") + missing),
             qPrintable(reported.at(0)));
    loader.loadAndReport(report);
    QCOMPARE(reported.size(), 1);

    device(QStringLiteral("adapter"));
    loader.loadAndReport(report);
    QFile::remove(missing);
    loader.loadAndReport(report);
    QCOMPARE(reported.size(), 2);
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
