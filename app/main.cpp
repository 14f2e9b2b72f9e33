#include "mainwindow.h"
#include "messageboxes.h"
#include "trafficlog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Test bench for CJ/T 188 and M-Bus meters."));
    parser.addHelpOption();
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Append every chunk sent and received to FILE."),
        QStringLiteral("FILE"));
    parser.addOption(logOption);
    parser.process(app);

    TrafficLog log;
    if (parser.isSet(logOption) && !log.open(parser.value(logOption))) {
        QTextStream(stderr) << "meterdesk: cannot write " << parser.value(logOption) << ": "
                            << log.errorString() << '\n';
        return 1;
    }

    WidgetMessageBoxes messages;
    MainWindow window(PortMap::platformDefault(), messages);
    messages.setParent(&window);
    window.setTrafficLog(log.isOpen() ? &log : nullptr);
    window.show();
    return app.exec();
}
