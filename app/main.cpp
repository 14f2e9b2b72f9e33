#include "mainwindow.h"
#include "messageboxes.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    WidgetMessageBoxes messages;
    MainWindow window(PortMap::platformDefault(), messages);
    messages.setParent(&window);
    window.show();
    return app.exec();
}
