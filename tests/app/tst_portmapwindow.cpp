#include "portmaploader.h"
#include "ptypair.h"
#include "windowtest.h"
#include "writefile.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

// The window with its port map read from the user's map file, as meterdesk starts it: pseudo-
// terminals stand behind numbers that the built-in table does not give them.
class TestPortMapWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void shouldListAndOpenADeviceMappedThroughTheFile();

private:
    QStringList portList();

    QTemporaryDir m_config;
};

QStringList TestPortMapWindow::portList()
{
    auto *list = child<QComboBox>("Combo1");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

void TestPortMapWindow::shouldListAndOpenADeviceMappedThroughTheFile()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.filePath("home").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", m_config.filePath("system").toLocal8Bit());
    PtyPair adapter;
    PtyPair laterAdapter;
    QVERIFY(adapter.isOpen() && laterAdapter.isOpen());
    QVERIFY(WriteFile(PortMapLoader::userFile(),
                      "# the bench adapter\nCOM5=" + adapter.slavePath().toUtf8() + "\n"));

    PortMapLoader loader({}, PortMap::empty());
    QStringList reported;
    m_window = std::make_unique<MainWindow>(
        [&] { return loader.loadAndReport([&](const QString &line) { reported << line; }); },
        m_messages);
    m_window->show();

    QCOMPARE(portList(), QStringList({"COM5"}));
    auto *list = child<QComboBox>("Combo1");
    QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(), adapter.slavePath());
    QCOMPARE(list->toolTip(), adapter.slavePath());

    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    QCOMPARE(adapter.baudRate(), 2400);
    QVERIFY(m_window->port().Output(QByteArray("\x10\x5B", 2)) == SerialComm::kNoError);
    QCOMPARE(adapter.read(2), QByteArray("\x10\x5B", 2));

    // The file is read again at the probe after closing: an added line shows without a restart,
    // and a faulty one is reported without stopping anything.
    QVERIFY(WriteFile(PortMapLoader::userFile(), "COM5=" + adapter.slavePath().toUtf8() +
                                                     "\nCOM7=" + laterAdapter.slavePath().toUtf8() +
                                                     "\nCOM21=/dev/ttyUSB0\n"));
    click("OpenCOomPort");
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(portList(), QStringList({"COM5", "COM7"}));
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported.at(0).startsWith(PortMapLoader::userFile() + QStringLiteral(":3: ")),
             qPrintable(reported.at(0)));
    QVERIFY(m_messages.messages.isEmpty());
    // The window asks `loader` at every probe: it must not outlive it.
    m_window.reset();
}

QTEST_MAIN(TestPortMapWindow)
#include "tst_portmapwindow.moc"
