#include "buswindow.h"
#include "meterprocess.h"
#include "polltimer.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

namespace {

// Two meters at primary address 0 with the same identification number (told apart by maker and
// version), and one with three telegrams and a maker field of hex digits.
const QStringList kBus{"--meter", "primary=0,id=11110000,maker=ELS,version=1,medium=4",
                       "--meter", "primary=0,id=11110000,maker=2C2D,version=2,medium=4",
                       "--meter", "primary=3,id=11112222,maker=B0B0,medium=7,telegrams=3"};

enum Method { kNke, kUd2, kSecondary };

} // namespace

// The bus window scanning and reading the simulated bus through the main window's open port.
class TestBusWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldListWhatTheScanFound_data();
    void shouldListWhatTheScanFound();
    void shouldEndTheScanKeepingWhatItFound_data();
    void shouldEndTheScanKeepingWhatItFound();
    void shouldKeepThePagesRequestsOffTheBusDuringAScan();
    void shouldReadAndRenameAMeterFoundBySecondaryAddress();
    void shouldSayThatThePortIsClosedAndSendNothing();

private:
    template <typename T> T *busChild(const char *name)
    {
        T *found = m_bus->findChild<T *>(QString::fromUtf8(name));
        if (!found)
            qFatal("no bus window child %s", name);
        return found;
    }
    void busClick(const char *name)
    {
        QTest::mouseClick(busChild<GlowButton>(name), Qt::LeftButton);
    }
    // Starts a scan by `method` (primary range 0 to `to`); returns once it ended.
    void scan(Method method, int to = 4);
    // Each listed row as "primary|secondary|maker|version|medium|how".
    QStringList rows();
    QString status() { return busChild<QLabel>("busStatus")->text(); }

    MeterProcess m_meter{QStringLiteral(METERSIM_PATH)};
    BusWindow *m_bus = nullptr;
};

void TestBusWindow::init()
{
    const QString device = m_meter.start(kBus);
    QVERIFY2(!device.isEmpty(), "the simulated bus did not start");
    PortMap map = PortMap::empty();
    map.set(1, device);
    createWindow(map);
    // A fast line, so that the requests' own time on it stays short.
    child<QComboBox>("Combo2")->setCurrentText(QStringLiteral("38400"));
    // Opened from the window's shortcut, as a technician would.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTest::keyClick(m_window.get(), Qt::Key_B, Qt::ControlModifier);
    m_bus = m_window->findChild<BusWindow *>(QStringLiteral("BusWindow"));
    QVERIFY(m_bus);
    QTRY_VERIFY(m_bus->isVisible());
    QVERIFY(child<QWidget>("EN1434仪表")->isVisible());
    // Short waits for silent addresses: the simulator answers at once, but the machine may be
    // busy.
    busChild<QSpinBox>("busTimeout")->setValue(50);
}

void TestBusWindow::cleanup()
{
    m_bus = nullptr;
    m_window.reset();
    m_meter.stop();
    m_messages.messages.clear();
}

void TestBusWindow::scan(Method method, int to)
{
    busChild<QComboBox>("busMethod")->setCurrentIndex(method);
    busChild<QSpinBox>("busTo")->setValue(to);
    busClick("busStart");
    QTRY_VERIFY(!m_bus->busy());
}

QStringList TestBusWindow::rows()
{
    auto *table = busChild<QTableWidget>("busTable");
    QStringList out;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

void TestBusWindow::shouldListWhatTheScanFound_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("rows");
    const QString meter3 = "3 (03H)|11112222B0B00107|B0B0|1|07 水|";
    QTest::newRow("SND_NKE: the collision at 0, then the meter at 3")
        << int(kNke)
        << QStringList{"0 (00H)|冲突：多个仪表同时应答||||SND_NKE 扫描", meter3 + "SND_NKE 扫描"};
    QTest::newRow("REQ_UD2") << int(kUd2)
                             << QStringList{"0 (00H)|冲突：多个仪表同时应答||||REQ_UD2 扫描",
                                            meter3 + "REQ_UD2 扫描"};
}

void TestBusWindow::shouldListWhatTheScanFound()
{
    QFETCH(int, method);
    QFETCH(QStringList, rows);
    click("OpenCOomPort");
    scan(Method(method));
    QCOMPARE(this->rows(), rows);
    QCOMPARE(busChild<QProgressBar>("busProgress")->value(), 5);
    QVERIFY2(status().startsWith(QStringLiteral("扫描完成：找到 1 个仪表，1 处冲突")),
             qPrintable(status()));
    // The probes went through the main window's areas and counters.
    QCOMPARE(caption("GlowButton5").toInt(), 5 * 5 + (method == kNke ? 5 : 0));
    QVERIFY(text("RichTextBox4").startsWith(QStringLiteral("10 ")));
    QVERIFY(m_messages.messages.isEmpty());
}

void TestBusWindow::shouldEndTheScanKeepingWhatItFound_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("status");
    QTest::newRow("Cancel") << "cancel"
                            << "已取消：找到 1 个仪表，1 处冲突";
    QTest::newRow("bus window closed") << "close"
                                       << "窗口已关闭，操作中止：找到 1 个仪表";
    QTest::newRow("port closed") << "port"
                                 << "通信端口已关闭，操作中止：找到 1 个仪表";
}

void TestBusWindow::shouldEndTheScanKeepingWhatItFound()
{
    QFETCH(QString, how);
    QFETCH(QString, status);
    click("OpenCOomPort");
    // Once address 5 is being probed (3 was found), the technician stops the scan of 0 to 250.
    auto *progress = busChild<QProgressBar>("busProgress");
    connect(progress, &QProgressBar::valueChanged, this, [&](int value) {
        if (value != 6)
            return;
        if (how == "cancel")
            busClick("busCancel");
        else if (how == "close")
            m_bus->close();
        else
            click("OpenCOomPort");
    });
    scan(kNke, 250);
    QCOMPARE(rows().size(), 2);
    QVERIFY2(this->status().startsWith(status), qPrintable(this->status()));
    QVERIFY(progress->value() < 10);
    // Closing the port ended the scan before a request found it closed.
    QVERIFY(m_messages.messages.isEmpty());
    QCOMPARE(m_window->port().PortOpen(), how != "port");
}

void TestBusWindow::shouldKeepThePagesRequestsOffTheBusDuringAScan()
{
    click("OpenCOomPort");
    click("GlowButton13"); // continuous reading of the M-Bus page
    QVERIFY(child<PollTimer>("Timer2")->Enabled());
    // A read-data click amid the scan would answer the probe of the address scanned.
    connect(busChild<QProgressBar>("busProgress"), &QProgressBar::valueChanged, this,
            [&](int value) {
                if (value == 2)
                    click("GlowButton17");
            });
    scan(kNke);
    QVERIFY(!child<PollTimer>("Timer2")->Enabled());
    QCOMPARE(rows().size(), 2);
    QCOMPARE(m_messages.messages.size(), 1);
    QVERIFY(
        m_messages.messages[0].text.startsWith(QStringLiteral("M-Bus 总线窗口正在使用通信端口")));
}

void TestBusWindow::shouldReadAndRenameAMeterFoundBySecondaryAddress()
{
    click("OpenCOomPort");
    // The meters of version 1: one of the two sharing address 0 and their number, and the one
    // at 3. (Telling meters with equal numbers apart probes every version, which takes long.)
    busChild<QLineEdit>("busMask")->setText(QStringLiteral("FFFFFFFFFFFF01FF"));
    scan(kSecondary);
    QCOMPARE(rows(), (QStringList{"0 (00H)|1111000015930104|ELS|1|04 热量（出口）|二次地址搜索",
                                  "3 (03H)|11112222B0B00107|B0B0|1|07 水|二次地址搜索"}));
    QVERIFY2(status().startsWith(QStringLiteral("扫描完成：找到 2 个仪表。")),
             qPrintable(status()));
    auto *table = busChild<QTableWidget>("busTable");
    const auto select = [&](const QString &secondary) {
        table->selectRow(table->findItems(secondary, Qt::MatchExactly).first()->row());
    };

    select("11112222B0B00107");
    busClick("busRead");
    QCOMPARE(status(), QStringLiteral("读全部电文：已读 3 份电文"));
    QVERIFY(text("RichTextBox3").startsWith(QStringLiteral("校验通过！")));

    // One of the two meters at 0, addressed alone by its secondary address.
    select("1111000015930104");
    busChild<QSpinBox>("busNewAddress")->setValue(9);
    busClick("busSetAddress");
    QCOMPARE(status(), QStringLiteral("修改主地址：已应答，主地址已改为 9"));
    QCOMPARE(rows().first(), "9 (09H)|1111000015930104|ELS|1|04 热量（出口）|二次地址搜索");
    busClick("busReset");
    QCOMPARE(status(), QStringLiteral("应用复位：已应答"));
    QVERIFY(m_messages.messages.isEmpty());
}

void TestBusWindow::shouldSayThatThePortIsClosedAndSendNothing()
{
    scan(kNke);
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages[0].text, QStringLiteral("通信端口COM1端口没打开！"));
    QCOMPARE(caption("GlowButton5"), QStringLiteral("0"));
    QVERIFY(rows().isEmpty());
}

QTEST_MAIN(TestBusWindow)
#include "tst_buswindow.moc"
