#include "metersimprocess.h"

#include <QDeadlineTimer>

QString StartMeterSim(QProcess &process, const QString &program, const QStringList &arguments,
                      int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    process.start(program, arguments);
    if (!process.waitForStarted(int(deadline.remainingTime())))
        return {};
    while (!process.canReadLine()) {
        if (deadline.hasExpired() || !process.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}
