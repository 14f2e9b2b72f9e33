#include "bustexts.h"

#include "mbusdecoder.h"

#include <QCoreApplication>

namespace {

QString PrimaryText(int primary)
{
    if (primary < 0)
        return QStringLiteral("—");
    return QStringLiteral("%1 (%2H)").arg(primary).arg(primary, 2, 16, QLatin1Char('0')).toUpper();
}

QString HowText(const QString &how)
{
    if (how == QLatin1String("nke"))
        return QCoreApplication::translate("BusWindow", "SND_NKE 扫描");
    if (how == QLatin1String("ud2"))
        return QCoreApplication::translate("BusWindow", "REQ_UD2 扫描");
    return QCoreApplication::translate("BusWindow", "二次地址搜索");
}

QString MakerText(std::uint16_t code)
{
    const QString letters = MbusManufacturerLetters(code);
    return letters.isEmpty() ? QStringLiteral("%1").arg(code, 4, 16, QLatin1Char('0')).toUpper()
                             : letters;
}

QString MediumText(std::uint8_t medium)
{
    const QString code = QStringLiteral("%1").arg(medium, 2, 16, QLatin1Char('0')).toUpper();
    const QString name = MbusMediumName(medium);
    return name.isEmpty() ? code : code + QLatin1Char(' ') + name;
}

} // namespace

QStringList BusMeterCells(const MbusFoundMeter &meter)
{
    const QString how = HowText(meter.how);
    if (meter.collision && meter.primary >= 0)
        return {PrimaryText(meter.primary),
                QCoreApplication::translate("BusWindow", "冲突：多个仪表同时应答"),
                {},
                {},
                {},
                how};
    const MbusSecondaryAddress &a = meter.address;
    // A reply without a CI 72 header carries no identity.
    if (a == MbusSecondaryAddress{})
        return {PrimaryText(meter.primary),
                QCoreApplication::translate("BusWindow", "（应答中没有二次地址）"),
                {},
                {},
                {},
                how};
    QStringList cells{PrimaryText(meter.primary), a.text(),
                      MakerText(a.manufacturer),  QString::number(a.version),
                      MediumText(a.medium),       how};
    if (meter.collision)
        cells[5] = QCoreApplication::translate("BusWindow", "冲突：二次地址完全相同的多个仪表");
    return cells;
}

QString BusScanSummary(const QList<MbusFoundMeter> &found, const QString &stopReason)
{
    int meters = 0;
    int collisions = 0;
    for (const MbusFoundMeter &meter : found)
        ++(meter.collision ? collisions : meters);
    QString text = stopReason.isEmpty()
                       ? QCoreApplication::translate("BusWindow", "扫描完成：")
                       : stopReason + QCoreApplication::translate("BusWindow", "：");
    if (found.isEmpty())
        return text + QCoreApplication::translate("BusWindow",
                                                  "没有仪表应答。请检查接线、波特率和扫描范围。");
    text += QCoreApplication::translate("BusWindow", "找到 %1 个仪表").arg(meters);
    if (collisions > 0)
        text += QCoreApplication::translate(
                    "BusWindow", "，%1 处冲突（多个仪表同时应答）；请用二次地址搜索区分这些仪表")
                    .arg(collisions);
    return text + QCoreApplication::translate("BusWindow", "。");
}

QString BusAnswerText(MbusAnswer answer)
{
    switch (answer) {
    case MbusAnswer::Ack:
        return QCoreApplication::translate("BusWindow", "已应答");
    case MbusAnswer::Collision:
        return QCoreApplication::translate("BusWindow",
                                           "冲突：多个仪表同时应答，请用二次地址选择一个仪表");
    case MbusAnswer::Frame:
        return QCoreApplication::translate("BusWindow", "仪表回送了数据帧，而不是确认 E5");
    case MbusAnswer::None:
        break;
    }
    return QCoreApplication::translate("BusWindow", "无应答，请检查接线、波特率和地址后重试");
}

QString BusReadSummary(const MbusTelegrams &read)
{
    const int count = int(read.frames.size());
    if (read.boundReached)
        return QCoreApplication::translate("BusWindow",
                                           "读全部电文：已读 %1 份电文，仪表还有更多电文未读")
            .arg(count);
    if (read.last.answer == MbusAnswer::Frame)
        return QCoreApplication::translate("BusWindow", "读全部电文：已读 %1 份电文").arg(count);
    const QString why = BusAnswerText(read.last.answer);
    if (count == 0)
        return QCoreApplication::translate("BusWindow", "读全部电文：") + why;
    return QCoreApplication::translate("BusWindow", "读全部电文：已读 %1 份电文后").arg(count) +
           why;
}
