#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts the simulated meter `program` in `process` with `arguments` and returns the device it
// names on its first line of standard output. Empty when it did not start, ended, or printed no
// line within `timeoutMs`; process.error() then tells a program that could not start at all.
QString StartMeterSim(QProcess &process, const QString &program, const QStringList &arguments,
                      int timeoutMs = 5000);
