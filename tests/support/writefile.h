#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>

// Writes `bytes` as the whole content of the file at `path`, creating its folders; false when any
// step fails.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) &&
           file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
