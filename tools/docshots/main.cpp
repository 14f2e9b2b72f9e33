// Makes the user guide's screenshots: each scene starts the simulated meter with its options,
// puts it behind COM1 of the real main window, clicks and types as a technician would, waits
// until the window shows what the scene is about and saves the window as a PNG.
//
//   docshots OUTPUT_FOLDER [SCENE...]      (all scenes when none is named; --list names them)

#include "buswindow.h"
#include "language.h"
#include "mainwindow.h"
#include "messageboxes.h"
#include "metersimprocess.h"
#include "traffictextarea.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImageWriter>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTextStream>

#include <functional>
#include <memory>

namespace {

// Messages are collected, never shown: a modal box would stop the scene.
class CollectedMessages : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(const QString &text, const QString &, Icon,
                                     QMessageBox::StandardButtons) override
    {
        texts << text;
        return QMessageBox::Ok;
    }
    QStringList texts;
};

// The window of one scene and the moves a scene makes on it, by the controls' names.
class Stage
{
public:
    explicit Stage(const QString &device)
    {
        PortMap map = PortMap::empty();
        map.set(1, device);
        m_window = std::make_unique<MainWindow>(map, m_messages);
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window.get()))
            QTextStream(stderr) << "docshots: the window was not shown within five seconds\n";
    }

    MainWindow &window() { return *m_window; }
    void click(const char *button) { QTest::mouseClick(child<QWidget>(button), Qt::LeftButton); }
    void type(const char *box, const QString &text)
    {
        child<QLineEdit>(box)->clear();
        QTest::keyClicks(child<QLineEdit>(box), text);
    }
    void choose(const char *list, const QString &entry)
    {
        child<QComboBox>(list)->setEditText(entry);
    }
    QString text(const char *area) { return child<TrafficTextArea>(area)->text(); }
    // Waits until `area` shows `wanted`; false after `ms` milliseconds without it.
    bool waitForText(const char *area, const QString &wanted, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return text(area).contains(wanted); }, ms);
    }
    bool openPort()
    {
        click("OpenCOomPort");
        return m_window->port().PortOpen();
    }
    const QStringList &messages() const { return m_messages.texts; }
    // Waits until the received counter shows every byte received; it follows at its own pace.
    bool settled()
    {
        return QTest::qWaitFor([this] {
            return child<GlowButton>("GlowButton6")->Caption() ==
                   QString::number(m_window->traffic().RxCount);
        });
    }
    // The control `name` of the window or of one of its own windows (the bus window).
    template <typename T> T *child(const char *name)
    {
        T *found = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("docshots: the window has no control %s", name);
        return found;
    }

private:
    CollectedMessages m_messages;
    std::unique_ptr<MainWindow> m_window;
};

// One screenshot: the meter's options, the window's height (0: its first size; taller where
// every line of a reading should show), and the moves that bring the window to the picture;
// `play` returns false when the window never showed what was expected. `shown` names the
// window saved when it is not the main window.
struct Scene
{
    const char *file;
    QStringList meterArguments;
    int height;
    std::function<bool(Stage &)> play;
    WindowLanguage language = WindowLanguage::Chinese;
    const char *shown = nullptr;
};

bool ReadCj188(Stage &stage, const QString &wanted)
{
    stage.type("Text1", QStringLiteral("12345678"));
    stage.click("GlowButton1");
    return stage.waitForText("RichTextBox3", wanted);
}

bool ReadMbus(Stage &stage, const QString &wanted)
{
    stage.click("GlowButton4");
    stage.click("GlowButton17");
    return stage.waitForText("RichTextBox3", wanted);
}

// Reads the meter's address, then double-clicks the answer's line in the data-analysis area,
// which fills in the request fields with `address`.
bool FillInReadAddress(Stage &stage, const QString &address)
{
    stage.click("GlowButton3");
    if (!stage.waitForText("RichTextBox3", QStringLiteral("双击填入")))
        return false;
    QTest::mouseDClick(stage.child<TrafficTextArea>("RichTextBox3")->viewport(), Qt::LeftButton, {},
                       QPoint(20, 10));
    return stage.child<QLineEdit>("Text1")->text() == address;
}

// Opens the bus window and searches the bus by secondary address within `mask`; the window
// selects the first meter found. A short answer time-out keeps the silent probes quick.
bool SearchBus(Stage &stage, const QString &mask)
{
    stage.window().showBusWindow();
    auto *bus = stage.child<BusWindow>("BusWindow");
    if (!QTest::qWaitForWindowExposed(bus))
        return false;
    stage.child<QComboBox>("busMethod")->setCurrentText(QStringLiteral("二次地址搜索"));
    stage.child<QLineEdit>("busMask")->setText(mask);
    stage.child<QSpinBox>("busTimeout")->setValue(50);
    stage.click("busStart");
    auto *table = stage.child<QTableWidget>("busTable");
    return QTest::qWaitFor([bus] { return !bus->busy(); }, 60000) && table->rowCount() > 0;
}

// Continuous reading once a second until the statistics count `reads`, then stopped.
bool PollCj188(Stage &stage, int reads)
{
    stage.type("Text1", QStringLiteral("12345678"));
    stage.type("Text4", QStringLiteral("1"));
    stage.click("GlowButton11");
    const bool counted =
        stage.waitForText("RichTextBox3", QStringLiteral("第 %1 次").arg(reads), reads * 4000);
    stage.click("GlowButton12");
    return counted;
}

// The scenes, in the order the guide shows them. More are added here as the window grows.
const QList<Scene> &Scenes()
{
    const auto meter = [](const char *option, const char *value = nullptr) {
        QStringList arguments{QString::fromLatin1(option)};
        if (value)
            arguments << QString::fromLatin1(value);
        return arguments;
    };
    // clang-format off
    static const QList<Scene> scenes = {
        {"start.png", {}, 0, [](Stage &) { return true; }},
        {"port-open.png", {}, 0, [](Stage &s) { return s.openPort(); }},
        {"cj188-read.png", {}, 760, [](Stage &s) {
             return s.openPort() && ReadCj188(s, QStringLiteral("应答时间"));
         }},
        {"cj188-heat-meter.png", meter("--cj188-type", "20"), 1000, [](Stage &s) {
             s.choose("Combo7", QStringLiteral("热计量表 - 20H"));
             return s.openPort() && ReadCj188(s, QStringLiteral("应答时间"));
         }},
        {"cj188-read-address.png",
         {"--cj188-address", "90817263", "--cj188-maker", "4455"}, 0, [](Stage &s) {
             return s.openPort() && FillInReadAddress(s, QStringLiteral("0090817263"));
         }},
        {"mbus-read.png", {}, 1000, [](Stage &s) {
             return s.openPort() && ReadMbus(s, QStringLiteral("应答时间"));
         }},
        {"cj188-polling.png", meter("--drop-every", "3"), 1000, [](Stage &s) {
             return s.openPort() && PollCj188(s, 4);
         }},
        {"outcome-no-reply.png", meter("--silent"), 0, [](Stage &s) {
             return s.openPort() && ReadCj188(s, QStringLiteral("无应答"));
         }},
        {"outcome-bad-checksum.png", meter("--bad-checksum"), 0, [](Stage &s) {
             return s.openPort() && ReadCj188(s, QStringLiteral("校验和错误"));
         }},
        {"outcome-echo.png", meter("--echo"), 900, [](Stage &s) {
             return s.openPort() && ReadCj188(s, QStringLiteral("应答时间"));
         }},
        // Three meters, two of them at primary address 0, found by the numbers they share.
        {"mbus-bus-search.png",
         {"--meter", "primary=0,id=12340001,maker=ELS,version=1,medium=4",
          "--meter", "primary=0,id=12340002,maker=ELS,version=1,medium=4",
          "--meter", "primary=7,id=12345678,maker=B0B0,version=1,medium=7"}, 0, [](Stage &s) {
             return s.openPort() && SearchBus(s, QStringLiteral("1234FFFFFFFF01FF"));
         }, WindowLanguage::Chinese, "BusWindow"},
        // The README's picture of the English window.
        {"meterdesk-en.png", {}, 1100, [](Stage &s) {
             return s.openPort() && ReadMbus(s, QStringLiteral("Response time"));
         }, WindowLanguage::English},
    };
    // clang-format on
    return scenes;
}

// Plays `scene` against a meter of its own and saves the window into `folder`.
bool Shoot(const Scene &scene, const QString &meterProgram, const QDir &folder)
{
    QTextStream err(stderr);
    QProcess meter;
    const QString device = StartMeterSim(meter, meterProgram, scene.meterArguments);
    if (device.isEmpty()) {
        err << "docshots: the simulated meter did not start for " << scene.file << '\n';
        return false;
    }
    bool shown = InstallWindowLanguage(*qApp, scene.language);
    if (!shown)
        err << "docshots: the English translation is missing from this build\n";
    if (shown) {
        Stage stage(device);
        if (scene.height > 0)
            stage.window().resize(stage.window().width(), scene.height);
        // The main window's counters matter only where the main window is the picture.
        shown = scene.play(stage) && (scene.shown || stage.settled());
        if (!shown)
            err << "docshots: " << scene.file << ": the window did not show what was expected; "
                << "messages: " << stage.messages().join(QStringLiteral(" | ")) << '\n';
        QImageWriter writer(folder.filePath(QString::fromLatin1(scene.file)), "png");
        writer.setQuality(0); // the strongest compression
        const auto window = [&]() -> QWidget * {
            return scene.shown ? stage.child<QWidget>(scene.shown) : &stage.window();
        };
        if (shown && !writer.write(window()->grab().toImage())) {
            err << "docshots: cannot write " << writer.fileName() << ": " << writer.errorString()
                << '\n';
            shown = false;
        }
    }
    meter.terminate();
    if (!meter.waitForFinished(3000))
        meter.kill();
    return shown;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    if (arguments.value(0) == QLatin1String("--list")) {
        for (const Scene &scene : Scenes())
            out << scene.file << '\n';
        return 0;
    }
    if (arguments.isEmpty()) {
        QTextStream(stderr) << "usage: docshots OUTPUT_FOLDER [SCENE...] | --list\n";
        return 64;
    }
    const QDir folder(arguments.takeFirst());
    if (!folder.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "docshots: cannot create " << folder.path() << '\n';
        return 74;
    }
    int failed = 0;
    for (const Scene &scene : Scenes()) {
        if (!arguments.isEmpty() && !arguments.contains(QString::fromLatin1(scene.file)))
            continue;
        if (Shoot(scene, QStringLiteral(METERSIM_PATH), folder))
            out << folder.filePath(QString::fromLatin1(scene.file)) << '\n';
        else
            ++failed;
    }
    return failed == 0 ? 0 : 1;
}
