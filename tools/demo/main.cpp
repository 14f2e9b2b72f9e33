// The main window with a simulated meter on COM1, so that a newcomer can read a meter without
// any hardware. Command-line options go to the simulated meter unchanged (for example
// --cj188-type 20, --mbus-address 5, --split 3, --noise); its traffic log appears on stderr.

#include "mainwindow.h"
#include "messageboxes.h"
#include "metersimprocess.h"
#include "portoptions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QTextStream>

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(QStringLiteral("meterdesk-demo"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("meterdesk")));
    QTextStream err(stderr);

    QProcess meter;
    meter.setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // The meter goes with the demo, however the demo ends.
    meter.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    const QString device =
        StartMeterSim(meter, meterSimulatorPath(), QCoreApplication::arguments().mid(1));
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
