#include "typedframe.h"

#include "conversions.h"

#include <QCoreApplication>

namespace {

constexpr std::uint8_t kWakeUp = 0xFE;
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;

TypedFrame failed(const QString &error)
{
    return {{}, error};
}

// A frame of `size` bytes is more than one request can carry.
TypedFrame tooLong(qsizetype size)
{
    return failed(QCoreApplication::translate("TypedFrame", "帧太长：%1 字节，最多 %2 字节。")
                      .arg(size)
                      .arg(TrafficState::kTxBufSize));
}

} // namespace

TypedFrame ParseTypedHex(const QString &text)
{
    TypedFrame frame;
    const QStringList groups = text.simplified().split(u' ', Qt::SkipEmptyParts);
    for (const QString &group : groups) {
        for (qsizetype i = 0; i < group.size(); ++i) {
            if (!isxdigit(group.at(i).unicode()) || group.at(i).unicode() > 0x7F)
                return failed(QCoreApplication::translate("TypedFrame", "“%1”不是十六进制数字。")
                                  .arg(group.at(i)));
        }
        if (group.size() % 2 != 0)
            return failed(QCoreApplication::translate(
                              "TypedFrame", "“%1”的位数是奇数：每个字节要两位十六进制数字。")
                              .arg(group));
        frame.bytes += QByteArray::fromHex(group.toLatin1());
    }
    if (frame.bytes.isEmpty())
        return failed(QCoreApplication::translate(
            "TypedFrame", "没有输入字节：请输入十六进制的帧，例如 10 5B 01 5C 16。"));
    if (frame.bytes.size() > TrafficState::kTxBufSize)
        return tooLong(frame.bytes.size());
    return frame;
}

TypedFrame CompleteFrameChecksum(const TrafficState::FrameLayout &layout, QByteArrayView typed)
{
    qsizetype start = 0;
    while (start < typed.size() && std::uint8_t(typed[start]) == kWakeUp)
        ++start;
    if (start == typed.size() || std::uint8_t(typed[start]) != kStart)
        return failed(
            QCoreApplication::translate("TypedFrame", "帧要以 68 开头（前面可以有唤醒字节 FE）。"));
    const QByteArrayView frame = typed.sliced(start);
    if (frame.size() <= layout.lengthPos)
        return failed(QCoreApplication::translate("TypedFrame", "帧太短：还没有到长度字节。"));
    const int checksumPos = std::uint8_t(frame[layout.lengthPos]) + layout.checksumOffset;
    if (frame.size() < checksumPos)
        return failed(QCoreApplication::translate("TypedFrame",
                                                  "长度字节说有 %1 个数据字节，还缺 %2 个字节。")
                          .arg(std::uint8_t(frame[layout.lengthPos]))
                          .arg(checksumPos - frame.size()));
    if (frame.size() > checksumPos + 2)
        return failed(
            QCoreApplication::translate("TypedFrame", "比长度字节所说的帧多了 %1 个字节。")
                .arg(frame.size() - checksumPos - 2));
    QByteArray completed = typed.first(start + checksumPos).toByteArray();
    completed.append(char(SumByte(frame, layout.sumStartPos, checksumPos)));
    completed.append(char(kEnd));
    if (completed.size() > TrafficState::kTxBufSize)
        return tooLong(completed.size());
    return {completed, {}};
}

void SendTypedFrame(TrafficState &state, std::uint8_t protocol, const QByteArray &frame)
{
    const qsizetype size = std::min<qsizetype>(frame.size(), TrafficState::kTxBufSize);
    for (qsizetype i = 0; i < size; ++i)
        state.TxBuf[i] = std::uint8_t(frame[i]);
    state.SendFrame(protocol, int(size) - 1, true);
}
