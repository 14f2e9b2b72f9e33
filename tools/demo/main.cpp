// The main window with a simulated meter on COM1, so that a newcomer can read a meter without
// any hardware. Command-line options go to the simulated meter unchanged (for example
// --cj188-type 20, --mbus-address 5, --split 3, --noise); its traffic log appears on stderr.

#include "language.h"
#include "mainwindow.h"
#include "messageboxes.h"
#include "meterdeskversion.h"
#include "metersimprocess.h"
#include "portoptions.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QTextStream>

#include <optional>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {

QString meterSimulatorPath()
{
    const QString besideUs = QDir(QCoreApplication::applicationDirPath()).filePath("metersim");
    if (QFileInfo(besideUs).isExecutable())
        return besideUs;
    return QStringLiteral(METERSIM_PATH);
}

// The simulated meter's option list, from its own help text: the demo takes the same options.
QString meterOptionsHelp()
{
    QProcess help;
    help.start(meterSimulatorPath(), {QStringLiteral("--help")});
    if (!help.waitForFinished(10000))
        return {};
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    const qsizetype options = text.indexOf(QStringLiteral("Options:"));
    return options < 0 ? text : text.mid(options);
}

// Answers --help and --version; the exit status when one was asked for.
std::optional<int> answerInfoOptions(const QStringList &arguments)
{
    QTextStream out(stdout);
    if (arguments.contains(QStringLiteral("--version")) ||
        arguments.contains(QStringLiteral("-v"))) {
        out << "meterdesk-demo " METERDESK_VERSION "\n";
        return 0;
    }
    if (!arguments.contains(QStringLiteral("--help")) && !arguments.contains(QStringLiteral("-h")))
        return std::nullopt;
    out << "Usage: meterdesk-demo [options]\n"
           "Opens the MeterDesk window with a simulated meter on COM1, so that a meter can be "
           "read without any hardware. The options go to the simulated meter (metersim); its "
           "traffic log appears on standard error.\n\n"
        << "  --lang <zh|en>  " << LanguageOption().description() << "\n\n"
        << meterOptionsHelp();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer before the window system is reached, so that they work
    // without a display (help2man and a technician on a remote shell ask for them).
    {
        QCoreApplication info(argc, argv);
        if (const std::optional<int> status =
                answerInfoOptions(QCoreApplication::arguments().mid(1)))
            return *status;
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(QStringLiteral("meterdesk-demo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("meterdesk")));
    // --lang is the window's; every other option goes to the simulated meter.
    QStringList arguments = QCoreApplication::arguments();
    const std::optional<QString> language = TakeLanguageOption(arguments);
    if (!SetUpWindowLanguage(app, QStringLiteral("meterdesk-demo"), language))
        return 64;
    QTextStream err(stderr);

    QProcess meter;
    meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // The meter goes with the demo, however the demo ends.
    meter.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    const QString device = StartMeterSim(meter, meterSimulatorPath(), arguments.mid(1));
    if (device.isEmpty()) {
        if (meter.error() == QProcess::FailedToStart)
            err << "meterdesk-demo: cannot start the simulated meter: " << meter.errorString()
                << '\n';
        else
            err << "meterdesk-demo: the simulated meter did not start (see its message above)\n";
        meter.kill();
        meter.waitForFinished(2000);
        return 1;
    }
    err << "meterdesk-demo: simulated meter on COM1 = " << device << '\n';
    err.flush();

    // The technician's port map applies as in meterdesk, except that COM1 is the simulated meter.
    const std::function<PortMap()> ports =
        PortMapSourceOver({{1, device, QStringLiteral("the simulated meter")}});
    WidgetMessageBoxes messages;
    int status = 0;
    {
        MainWindow window(ports, messages);
        messages.setParent(&window);
        window.show();
        status = app.exec();
    }

    meter.terminate();
    if (!meter.waitForFinished(3000)) {
        meter.kill();
        meter.waitForFinished(1000);
    }
    return status;
}
