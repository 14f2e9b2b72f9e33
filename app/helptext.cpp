#include "helptext.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The user guide beside the program's installation (bin/../share/doc/meterdesk/docs), or where
// the package puts it when the program runs from elsewhere (a build folder).
QString GuidePath()
{
    const QFileInfo installed(QCoreApplication::applicationDirPath() +
                              QStringLiteral("/../share/doc/meterdesk/docs/用户手册.md"));
    return installed.exists() ? installed.canonicalFilePath()
                              : QStringLiteral("/usr/share/doc/meterdesk/docs/用户手册.md");
}

QString HelpGuideLine()
{
    return QCoreApplication::translate(
               "HelpText", "安装、端口映射、各结果行的含义、总线窗口、命令行工具和故障排除"
                           "的详细说明见用户手册：%1")
        .arg(GuidePath());
}

} // namespace

QString HelpText()
{
#ifdef Q_OS_WIN
    const QString portTable = QCoreApplication::translate("HelpText", "COMn 即系统中的串口 COMn。");
#else
    const QString portTable = QCoreApplication::translate(
        "HelpText",
        "COM1–COM4 = /dev/ttyS0–/dev/ttyS3\n"
        "COM5–COM12 = /dev/ttyUSB0–/dev/ttyUSB7\n"
        "COM13–COM20 = /dev/ttyACM0–/dev/ttyACM7\n"
        "（鼠标停在端口列表的条目上可看到对应的设备。）\n\n"
        "端口映射文件\n"
        "其他设备（如 /dev/ttyUSB8、/dev/ttyAMA0）也可放在任一端口号上："
        "在映射文件中每行写一个“COMn=设备”（n 为 1–20），例如：\n"
        "COM5=/dev/serial/by-id/usb-FTDI_A10K1234-if00-port0\n"
        "本用户：~/.config/MeterDesk/ports.ini\n"
        "所有用户：/etc/xdg/MeterDesk/ports.ini\n"
        "以 # 开头的行是注释。启动时和每次关闭串口后重新读取；有错误的行在终端上报告。\n"
        "只用于本次运行：meterdesk --port COM5=/dev/ttyAMA0\n"
        "查看各端口的设备和状态：meterdesk --list-ports\n\n"
        "Linux 下串口不能设置 1.5 个停止位：选择“1.5”时打开串口会失败。");
#endif
    return QCoreApplication::translate(
               "HelpText",
               "选择端口\n"
               "在“串口配置”中选择端口号、波特率、校验位、数据位和停止位，再点击“打开串口”，"
               "状态灯变绿即已打开。端口号后标有“ 占用”的端口正被其他程序使用。"
               "端口打开期间设置不能修改。\n\n"
               "端口对应的设备\n") +
           portTable +
           QCoreApplication::translate(
               "HelpText",
               "\n\n读表\n"
               "CJ188仪表：输入仪表地址（最多 10 位数字）和厂商代码，选择仪表类型，点击“读表数据”。"
               "不知道地址时，只接一块表，点击“读表地址”。\n"
               "EN1434仪表：输入一次地址（十六进制两位，FE 为单表通用地址），点击“读表数据”；"
               "在“新表地址”中输入新地址后点击“修改地址”。“修改地址”发往通用地址 FE，"
               "线上每一块表都会改成新地址：修改时线上只接一块表。\n"
               "收到所读仪表的读表应答，且校验和与结束符正确时，“数据分析”区显示“校验通过！”"
               "和应答时间。应答时限内（从请求最后一个字节算起：CJ188 为 1000 ms，EN1434 为 "
               "330 个位时间加 50 ms）没有通过校验的应答时，显示原因：无应答、应答不完整、"
               "校验和错误、不是本表的应答或无法识别的数据。"
               "接口回显本机请求时，回显之后显示“（本机回显…）”，并继续等待仪表应答。\n\n"
               "连续读表\n"
               "输入间隔秒数，点击“开始”后按间隔自动读表，点击“停止”结束。每次读表后显示统计："
               "次数、通过、无应答、校验失败、平均和最长应答时间；每次“开始”重新统计。\n\n"
               "点击“发送”或“接收”旁的计数可清零。") +
           QStringLiteral("\n\n") + HelpGuideLine();
}
