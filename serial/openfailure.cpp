#include "openfailure.h"

#include "serialcomm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

// The reasons the window shows, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(OpenFailure)
};
} // namespace

namespace {

// The first process (other than this one) with `device` open, from /proc/*/fd.
QString deviceHolder(const QString &device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        if (pid == self || pid.toInt() <= 0)
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            if (fd.symLinkTarget() == target) {
                // The program's file name (comm would cut it at 15 characters).
                QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
                const QByteArray argv0 = cmdline.open(QIODevice::ReadOnly)
                                             ? cmdline.readAll().split('\0').constFirst()
                                             : QByteArray();
                const QString name = argv0.isEmpty()
                                         ? QStringLiteral("?")
                                         : QFileInfo(QString::fromLocal8Bit(argv0)).fileName();
                return QStringLiteral("%1 (pid %2)").arg(name, pid);
            }
        }
    }
    return {};
}

} // namespace

OpenFailure DiagnoseOpenFailure(const QString &device, int error)
{
    OpenFailure failure{OpenFailure::Reason::Unknown, device, {}};
    const QFileInfo info(device);
    if (device.isEmpty() || error == SerialComm::kInvalidPortNumber)
        failure.reason = OpenFailure::Reason::Unmapped;
    else if (error == SerialComm::kSettingsRefused)
        failure.reason = OpenFailure::Reason::Settings;
    else if (!info.exists())
        failure.reason = OpenFailure::Reason::Absent;
    else if (!info.isReadable() || !info.isWritable())
        failure.reason = OpenFailure::Reason::NoPermission;
    else if (error == SerialComm::kPortAlreadyOpen)
        failure.reason = OpenFailure::Reason::Busy;
    else if (info.isFile() || info.isDir())
        failure.reason = OpenFailure::Reason::NotSerial;
    if (failure.reason == OpenFailure::Reason::Busy)
        failure.holder = deviceHolder(device);
    return failure;
}

QString OpenFailureText(const OpenFailure &f)
{
    switch (f.reason) {
    case OpenFailure::Reason::Unmapped:
        return Words::tr("该端口号没有对应的设备，请检查端口映射。");
    case OpenFailure::Reason::Absent:
        return Words::tr("设备 %1 不存在：请检查串口线或 USB 转换器是否插好。").arg(f.device);
    case OpenFailure::Reason::NoPermission:
        return Words::tr("没有权限使用 %1：请把用户加入 dialout 组"
                         "（sudo usermod -aG dialout $USER），然后重新登录。")
            .arg(f.device);
    case OpenFailure::Reason::Busy:
        return f.holder.isEmpty()
                   ? Words::tr("%1 正被其他程序占用：请关闭该程序后重试。").arg(f.device)
                   : Words::tr("%1 正被 %2 占用：请关闭该程序后重试。").arg(f.device, f.holder);
    case OpenFailure::Reason::NotSerial:
        return Words::tr("%1 不是串口设备。").arg(f.device);
    case OpenFailure::Reason::Settings:
        return Words::tr("设备不接受所选的串口设置（波特率、校验位、数据位或停止位）。");
    case OpenFailure::Reason::Unknown:
        break;
    }
    return {};
}

QString OpenFailureEnglish(const OpenFailure &f)
{
    switch (f.reason) {
    case OpenFailure::Reason::Unmapped:
        return QStringLiteral("no device is mapped to this port number; check the port map");
    case OpenFailure::Reason::Absent:
        return QStringLiteral("%1 does not exist; check the cable or USB adapter").arg(f.device);
    case OpenFailure::Reason::NoPermission:
        return QStringLiteral("no permission to use %1; add the user to the group dialout "
                              "(sudo usermod -aG dialout $USER), then log in again")
            .arg(f.device);
    case OpenFailure::Reason::Busy:
        return QStringLiteral("%1 is held by %2; close it and try again")
            .arg(f.device, f.holder.isEmpty() ? QStringLiteral("another program") : f.holder);
    case OpenFailure::Reason::NotSerial:
        return QStringLiteral("%1 is not a serial device").arg(f.device);
    case OpenFailure::Reason::Settings:
        return QStringLiteral("%1 refused the line settings (baud rate, parity, data or stop "
                              "bits)")
            .arg(f.device);
    case OpenFailure::Reason::Unknown:
        break;
    }
    return QStringLiteral("%1 could not be opened").arg(f.device);
}
