#include "finishedwithin.h"
#include "portmaploader.h"
#include "writefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

// The port map file and the layered map, against map files in a temporary configuration tree.
class TestPortMap : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void shouldReadGoodLinesAndReportEachFaultyOneByFileAndLine();
    void shouldReportWhatIsNoMapFileOnceWithoutBlocking_data();
    void shouldReportWhatIsNoMapFileOnceWithoutBlocking();
    void shouldCutAnEchoedLineShort();
    void shouldLayerCommandLineOverUserOverSystemOverBuiltIn();
    void shouldReportAProblemOnceWhileItLasts();

private:
    // Writes the map file of a configuration folder below the temporary tree, mapping each of
    // `ports` to a file "<folder><n>" that stands in for a device (so that none is missing).
    QString writeMap(const QString &folder, std::initializer_list<int> ports);

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

QString TestPortMap::writeMap(const QString &folder, std::initializer_list<int> ports)
{
    // Starting with a byte-order mark, as some editors write UTF-8.
    QByteArray text = "\xEF\xBB\xBF";
    for (int port : ports) {
        const QString device = m_tree->filePath(folder + QString::number(port));
        WriteFile(device, {});
        text += QStringLiteral("COM%1=%2\n").arg(port).arg(device).toUtf8();
    }
    const QString path = m_tree->filePath(folder + QStringLiteral("/MeterDesk/ports.ini"));
    if (!WriteFile(path, text))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPortMap::shouldReadGoodLinesAndReportEachFaultyOneByFileAndLine()
{
    // Each line with what it must give: a mapping "n=DEVICE", nothing, or a fault (a word only
    // the message for that kind of fault contains).
    const QList<std::pair<QString, QString>> lines = {
        {"# adapters on the bench\r", ""},
        {"", ""},
        {"  ; the Pi's own port", ""},
        {"COM5=/dev/ttyUSB3\r", "5=/dev/ttyUSB3"},
        {"  com12 =  /dev/serial/by-id/usb-FTDI_A10K-if00-port0 ",
         "12=/dev/serial/by-id/usb-FTDI_A10K-if00-port0"},
        {"COM20=/dev/a=b", "20=/dev/a=b"},
        {"[ports]", "fault: not a port mapping"},
        {"TTY5=/dev/ttyUSB0", "fault: not a port name"},
        {"COM=/dev/ttyUSB0", "fault: not a port name"},
        {"COM+5=/dev/ttyUSB0", "fault: not a port name"},
        {"COM5a=/dev/ttyUSB0", "fault: not a port name"},
        {"COM0=/dev/ttyUSB0", "fault: outside"},
        {"COM21=/dev/ttyUSB0", "fault: outside"},
        {"COM99999999999=/dev/ttyUSB0", "fault: outside"},
        {"COM6=  ", "fault: no device"},
        {"COM5=/dev/serial/by-id/usb-A", "5=/dev/serial/by-id/usb-A"},
    };
    QString text;
    QStringList expectedMappings;
    QStringList expectedFaults;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text += lines.at(i).first + u'\n';
        const QString origin = QStringLiteral("ports.ini:%1").arg(i + 1);
        if (lines.at(i).second.startsWith(QStringLiteral("fault: ")))
            expectedFaults << origin + QStringLiteral(": ") + lines.at(i).second.mid(7);
        else if (!lines.at(i).second.isEmpty())
            expectedMappings << lines.at(i).second + QStringLiteral(" (") + origin + u')';
    }
    // The repeated COM5 keeps the later line, and the repetition is reported there.
    expectedMappings.removeFirst();
    expectedFaults << QStringLiteral("ports.ini:%1: mapped again").arg(lines.size());

    const PortMappings read = ParsePortMapText(text, QStringLiteral("ports.ini"));
    QStringList mappings;
    for (const PortMapping &m : read.mappings)
        mappings << QStringLiteral("%1=%2 (%3)").arg(m.port).arg(m.device, m.origin);
    QCOMPARE(mappings, expectedMappings);
    QCOMPARE(read.problems.size(), expectedFaults.size());
    for (qsizetype i = 0; i < expectedFaults.size(); ++i) {
        const QString origin = expectedFaults.at(i).section(QStringLiteral(": "), 0, 0);
        const QString kind = expectedFaults.at(i).section(QStringLiteral(": "), 1);
        QVERIFY2(read.problems.at(i).startsWith(origin + QStringLiteral(": ")) &&
                     read.problems.at(i).contains(kind),
                 qPrintable(read.problems.at(i) + QStringLiteral(" <> ") + expectedFaults.at(i)));
    }

    // A map file that exists but cannot be read is one problem, naming it.
    const QString folder = m_tree->filePath(QStringLiteral("folder-not-file.ini"));
    QVERIFY(QDir().mkpath(folder));
    const PortMappings unreadable = ReadPortMapFile(folder);
    QVERIFY(unreadable.mappings.isEmpty());
    QCOMPARE(unreadable.problems.size(), 1);
    QVERIFY(unreadable.problems.at(0).startsWith(folder + QStringLiteral(": cannot be read")));
}

void TestPortMap::shouldReportWhatIsNoMapFileOnceWithoutBlocking_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("FIFO without a writer") << "fifo"
                                           << ": not a regular file";
    QTest::newRow("link to /dev/zero") << "/dev/zero"
                                       << ": not a regular file";
    QTest::newRow("link to /dev/urandom") << "/dev/urandom"
                                          << ": not a regular file";
    QTest::newRow("one byte above 64 KiB") << "big"
                                           << ": larger than 64 KiB, ignored";
    QTest::newRow("NUL byte on line 2") << "nul"
                                        << ":2: holds a NUL byte";
}

void TestPortMap::shouldReportWhatIsNoMapFileOnceWithoutBlocking()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    const QString path = m_tree->filePath(QStringLiteral("ports.ini"));
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind.startsWith(u'/'))
        QVERIFY(QFile::link(kind, path));
    else if (kind == u"big")
        QVERIFY(WriteFile(path, "COM5=/dev/ttyUSB0\n" + QByteArray(64 * 1024 - 17, '#')));
    else
        QVERIFY(WriteFile(path,
                          QByteArray("COM5=/dev/ttyUSB0\nCOM6=/dev/tty\0USB1\nCOM7=/dev/x\n", 49)));

    const std::optional<PortMappings> read =
        FinishedWithin(std::chrono::seconds(10), [path] { return ReadPortMapFile(path); });
    QVERIFY2(read, "the read blocked");
    QCOMPARE(read->problems.size(), 1);
    QVERIFY2(read->problems.at(0).startsWith(path + problem), qPrintable(read->problems.at(0)));
    // The lines around a NUL byte still count.
    QCOMPARE(read->mappings.size(), kind == u"nul" ? 2 : 0);
}

void TestPortMap::shouldCutAnEchoedLineShort()
{
    const QString line = QStringLiteral("COM5") + QString(1000, u'x') + QStringLiteral("=/dev/a");
    const PortMappings read = ParsePortMapText(line, QStringLiteral("ports.ini"));
    QCOMPARE(read.problems.size(), 1);
    QVERIFY2(read.problems.at(0).size() < 300, qPrintable(read.problems.at(0)));
    QVERIFY(read.problems.at(0).contains(QString(200 - 4, u'x') + QChar(0x2026)));
}

void TestPortMap::shouldLayerCommandLineOverUserOverSystemOverBuiltIn()
{
    PortMap builtIn = PortMap::empty();
    for (int port = 1; port <= 6; ++port)
        builtIn.set(port, QStringLiteral("/dev/built-in%1").arg(port));
    // XDG_CONFIG_DIRS lists "site" before "vendor": site wins.
    writeMap("vendor", {2, 3, 4, 5});
    writeMap("site", {3, 4, 5});
    const QString userFile = writeMap("home", {4, 5, 8});
    QCOMPARE(PortMapLoader::userFile(), userFile);
    const QString cli = m_tree->filePath("cli5");
    QVERIFY(WriteFile(cli, {}));

    const LoadedPortMap loaded =
        PortMapLoader({{5, cli, QStringLiteral("--port COM5=cli5")}}, builtIn).load();

    QVERIFY2(loaded.problems.isEmpty(), qPrintable(loaded.problems.join(u'\n')));
    const QStringList expected = {"/dev/built-in1",
                                  m_tree->filePath("vendor2"),
                                  m_tree->filePath("site3"),
                                  m_tree->filePath("home4"),
                                  cli,
                                  "/dev/built-in6",
                                  QString(),
                                  m_tree->filePath("home8")};
    for (int port = 1; port <= 8; ++port)
        QCOMPARE(loaded.map.device(port), expected.at(port - 1));
    QCOMPARE(loaded.origins.value(1), QString());
    QCOMPARE(loaded.origins.value(4), userFile + QStringLiteral(":1"));
    QCOMPARE(loaded.origins.value(5), QStringLiteral("--port COM5=cli5"));
}

void TestPortMap::shouldReportAProblemOnceWhileItLasts()
{
    const QString missing = m_tree->filePath(QStringLiteral("adapter"));
    const QString userFile = PortMapLoader::userFile();
    QVERIFY(WriteFile(userFile, "COM9=" + missing.toUtf8() + "\n"));
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

    QVERIFY(WriteFile(missing, {}));
    loader.loadAndReport(report);
    QFile::remove(missing);
    loader.loadAndReport(report);
    QCOMPARE(reported.size(), 2);
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
