#include "mainwindow.h"
#include "messageboxes.h"
#include "portoptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char *argv[])
{
    if (ListPortsRequested(argc, argv))
        return ListPortsMain(argc, argv);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QCommandLineParser parser;
    AddPortOptions(parser);
    // A faulty command line is reported, but the window still starts.
    if (!parser.parse(QApplication::arguments()))
        QTextStream(stderr) << parser.errorText() << '\n';
    WidgetMessageBoxes messages;
    MainWindow window(PortMapFromCommandLine(parser), messages);
    messages.setParent(&window);
    window.show();
    return app.exec();
}
