#include "mbusdecoder.h"

#include "conversions.h"
#include "mbusframe.h"
#include "mbusrecords.h"
#include "mbusvalue.h"
#include "mbusvif.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdint>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {

using namespace mbus_frame;
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(MbusDecoder)
};
} // namespace

namespace {

constexpr int kLengthPos = 2;
constexpr int kUserDataPos = 4; // C field: the checksum range starts here

// CI fields of a variable data reply, and of an application error.
constexpr std::uint8_t kCiApplicationError = 0x70;
constexpr std::uint8_t kCiLongHeaderMsbFirst = 0x76;
constexpr std::uint8_t kCiNoHeader = 0x78;
constexpr std::uint8_t kCiShortHeader = 0x7A;
constexpr int kLongHeaderSize = 12;
constexpr int kShortHeaderSize = 4;

constexpr std::array kMedia{
    MediumName{0x00, "other", QT_TRANSLATE_NOOP("MbusDecoder", "其他")},
    MediumName{0x01, "oil", QT_TRANSLATE_NOOP("MbusDecoder", "油")},
    MediumName{0x02, "electricity", QT_TRANSLATE_NOOP("MbusDecoder", "电")},
    MediumName{0x03, "gas", QT_TRANSLATE_NOOP("MbusDecoder", "燃气")},
    MediumName{0x04, "heat (outlet)", QT_TRANSLATE_NOOP("MbusDecoder", "热量（出口）")},
    MediumName{0x05, "steam", QT_TRANSLATE_NOOP("MbusDecoder", "蒸汽")},
    MediumName{0x06, "warm water", QT_TRANSLATE_NOOP("MbusDecoder", "温水")},
    MediumName{0x07, "water", QT_TRANSLATE_NOOP("MbusDecoder", "水")},
    MediumName{0x08, "heat cost allocator", QT_TRANSLATE_NOOP("MbusDecoder", "热分配表")},
    MediumName{0x09, "compressed air", QT_TRANSLATE_NOOP("MbusDecoder", "压缩空气")},
    MediumName{0x0A, "cooling (outlet)", QT_TRANSLATE_NOOP("MbusDecoder", "冷量（出口）")},
    MediumName{0x0B, "cooling (inlet)", QT_TRANSLATE_NOOP("MbusDecoder", "冷量（入口）")},
    MediumName{0x0C, "heat (inlet)", QT_TRANSLATE_NOOP("MbusDecoder", "热量（入口）")},
    MediumName{0x0D, "heat / cooling", QT_TRANSLATE_NOOP("MbusDecoder", "冷热量")},
    MediumName{0x0E, "bus / system component", QT_TRANSLATE_NOOP("MbusDecoder", "总线/系统部件")},
    MediumName{0x0F, "unknown", QT_TRANSLATE_NOOP("MbusDecoder", "未知")},
    MediumName{0x15, "hot water", QT_TRANSLATE_NOOP("MbusDecoder", "热水")},
    MediumName{0x16, "cold water", QT_TRANSLATE_NOOP("MbusDecoder", "冷水")},
    MediumName{0x17, "dual register water", QT_TRANSLATE_NOOP("MbusDecoder", "冷热水双计")},
    MediumName{0x18, "pressure", QT_TRANSLATE_NOOP("MbusDecoder", "压力")},
    MediumName{0x19, "A/D converter", QT_TRANSLATE_NOOP("MbusDecoder", "模数转换器")},
};

} // namespace

const MediumName *FindMedium(std::uint8_t code)
{
    const auto it = std::find_if(kMedia.begin(), kMedia.end(),
                                 [code](const MediumName &m) { return m.code == code; });
    return it == kMedia.end() ? nullptr : &*it;
}

QString MbusMediumName(std::uint8_t code)
{
    const MediumName *medium = FindMedium(code);
    return medium ? Words::tr(medium->chinese) : QString();
}

namespace {

QString ManufacturerLetters(std::uint16_t code)
{
    QString letters;
    for (const int shift : {10, 5, 0})
        letters += QLatin1Char(char(((code >> shift) & 0x1F) + 64));
    return letters;
}

QString StatusText(std::uint8_t status)
{
    QStringList parts;
    const QString kApplication[] = {QString(), Words::tr("应用忙"), Words::tr("应用错误"),
                                    Words::tr("应用异常")};
    if (status & 0x03)
        parts << kApplication[status & 0x03];
    if (status & 0x04)
        parts << Words::tr("电源电压低");
    if (status & 0x08)
        parts << Words::tr("永久错误");
    if (status & 0x10)
        parts << Words::tr("临时错误");
    if (status & 0xE0)
        parts << Words::tr("厂商状态位 %1").arg(status >> 5);
    return parts.join(Words::tr("，"));
}

void AddHeaderNumber(DecodedReply &reply, const char *key, std::uint64_t value,
                     const QString &label = {}, const QString &shown = {})
{
    reply.header << HeaderField{QString::fromLatin1(key), Decimal{std::int64_t(value), 0}, label,
                                shown};
}

// Access number, status and signature: the part both header kinds share.
void ReadShortHeader(DecodedReply &reply, QByteArrayView h, bool msbFirst)
{
    const auto status = std::uint8_t(h[1]);
    AddHeaderNumber(reply, "access", std::uint8_t(h[0]));
    AddHeaderNumber(reply, "status", status, status ? Words::tr("状态") : QString(),
                    StatusText(status));
    AddHeaderNumber(reply, "signature", Unsigned(FieldBytes(h.sliced(2, 2), msbFirst)));
}

// Identification, manufacturer, version and medium, then the short header; returns the medium.
std::uint8_t ReadLongHeader(DecodedReply &reply, QByteArrayView h, bool msbFirst)
{
    QByteArray id = FieldBytes(h.sliced(0, 4), msbFirst);
    std::reverse(id.begin(), id.end());
    const QString idText = QString::fromLatin1(id.toHex().toUpper());
    reply.header << HeaderField{QStringLiteral("id"), idText, Words::tr("表号"), {}};
    const QString maker =
        ManufacturerLetters(std::uint16_t(Unsigned(FieldBytes(h.sliced(4, 2), msbFirst))));
    reply.header << HeaderField{QStringLiteral("manufacturer"), maker, Words::tr("厂商"), {}};
    AddHeaderNumber(reply, "version", std::uint8_t(h[6]));
    const auto mediumCode = std::uint8_t(h[7]);
    const MediumName *medium = FindMedium(mediumCode);
    const QString code = QStringLiteral("%1").arg(mediumCode, 2, 16, QLatin1Char('0')).toUpper();
    reply.header << HeaderField{
        QStringLiteral("medium"),
        medium ? QString::fromLatin1(medium->name) : QStringLiteral("reserved (%1)").arg(code),
        Words::tr("介质"), medium ? Words::tr(medium->chinese) : Words::tr("保留（%1）").arg(code)};
    ReadShortHeader(reply, h.sliced(8), msbFirst);
    return mediumCode;
}

struct ApplicationErrorName
{
    const char *text;
    const char *label;
};

// The application errors of EN 13757-3 (CI 70); codes above 9 are reserved.
constexpr std::array<ApplicationErrorName, 10> kApplicationErrors{{
    {"unspecified error", QT_TRANSLATE_NOOP("MbusDecoder", "未指明的错误")},
    {"unimplemented CI-field", QT_TRANSLATE_NOOP("MbusDecoder", "不支持的CI字段")},
    {"buffer too long, truncated", QT_TRANSLATE_NOOP("MbusDecoder", "缓冲区过长，已截断")},
    {"too many records", QT_TRANSLATE_NOOP("MbusDecoder", "记录过多")},
    {"premature end of record", QT_TRANSLATE_NOOP("MbusDecoder", "记录提前结束")},
    {"more than 10 DIFEs", QT_TRANSLATE_NOOP("MbusDecoder", "DIFE超过10个")},
    {"more than 10 VIFEs", QT_TRANSLATE_NOOP("MbusDecoder", "VIFE超过10个")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"application busy", QT_TRANSLATE_NOOP("MbusDecoder", "应用忙")},
    {"too many readouts", QT_TRANSLATE_NOOP("MbusDecoder", "读取次数过多")},
}};

// CI 70: the meter's application could not answer. No code byte means an unspecified error.
ApplicationError ReadApplicationError(QByteArrayView data)
{
    const int code = data.isEmpty() ? 0 : std::uint8_t(data[0]);
    if (code >= int(kApplicationErrors.size()))
        return {code, QStringLiteral("reserved"), Words::tr("保留")};
    return {code, QString::fromLatin1(kApplicationErrors[std::size_t(code)].text),
            Words::tr(kApplicationErrors[std::size_t(code)].label)};
}

// The frame as far as the L field covers it; an error where the frame is not a long frame (two
// L bytes that differ, no second start byte), or is cut short or lacks its stop byte.
QByteArrayView FrameBody(QByteArrayView frame, DecodedReply &reply)
{
    if (frame.size() <= kUserDataPos || std::uint8_t(frame[0]) != kLongStart) {
        SetReplyError(reply, QStringLiteral("not an M-Bus long frame"), Words::tr("不是M-Bus长帧"));
        return {};
    }
    const int length = std::uint8_t(frame[kLengthPos]);
    if (std::uint8_t(frame[1]) != length || std::uint8_t(frame[3]) != kLongStart) {
        SetReplyError(reply,
                      std::uint8_t(frame[1]) != length
                          ? QStringLiteral("malformed frame: the two L bytes differ")
                          : QStringLiteral("malformed frame: the second start byte is not 68"),
                      std::uint8_t(frame[1]) != length
                          ? Words::tr("帧格式错误：两个长度字节不同")
                          : Words::tr("帧格式错误：第二个起始字节不是68"));
        return {};
    }
    const qsizetype csPos = kUserDataPos + length;
    if (csPos < frame.size())
        reply.checked = std::uint8_t(frame[csPos]) == SumByte(frame, kUserDataPos, csPos);
    // C A CI data: only what the L field covers and what was given.
    const QByteArrayView body =
        frame.sliced(kUserDataPos, std::min<qsizetype>(length, frame.size() - kUserDataPos));
    if (body.size() < length)
        SetReplyError(
            reply, QStringLiteral("frame cut short: %1 of %2 bytes").arg(body.size()).arg(length),
            Words::tr("报文不完整：收到 %1 字节，应为 %2 字节").arg(body.size()).arg(length));
    else if (csPos + 1 < frame.size() && std::uint8_t(frame[csPos + 1]) != kStop)
        SetReplyError(reply, QStringLiteral("no stop byte after the checksum"),
                      Words::tr("校验和后没有结束符16"));
    return body;
}

} // namespace

DecodedReply MbusDecodeReply(QByteArrayView frame)
{
    DecodedReply reply;
    reply.protocol = QStringLiteral("mbus");
    const QByteArrayView body = FrameBody(frame, reply);
    if (body.size() < 3) {
        if (reply.error.isEmpty() || !body.isNull())
            SetReplyError(reply, QStringLiteral("frame too short for C, A and CI"),
                          Words::tr("报文太短，缺少C、A或CI字段"));
        return reply;
    }
    const auto ci = std::uint8_t(body[2]);
    const QByteArrayView rest = body.sliced(3);
    const bool msbFirst = ci == kCiLongHeaderMsbFirst;
    qsizetype headerSize = 0;
    switch (ci) {
    case kCiApplicationError:
        reply.applicationError = ReadApplicationError(rest);
        return reply;
    case kCiLongHeader:
    case kCiLongHeaderMsbFirst:
        headerSize = kLongHeaderSize;
        break;
    case kCiShortHeader:
        headerSize = kShortHeaderSize;
        break;
    case kCiNoHeader:
        break;
    default:
        SetReplyError(
            reply,
            QStringLiteral("CI %1 is not a variable data reply").arg(ci, 2, 16, QLatin1Char('0')),
            Words::tr("CI %1 不是可变数据应答")
                .arg(QStringLiteral("%1").arg(ci, 2, 16, QLatin1Char('0')).toUpper()));
        return reply;
    }
    if (rest.size() < headerSize) {
        SetReplyError(reply, QStringLiteral("header cut short"), Words::tr("报文头不完整"));
        return reply;
    }
    std::optional<std::uint8_t> medium;
    if (headerSize == kLongHeaderSize)
        medium = ReadLongHeader(reply, rest, msbFirst);
    else if (headerSize == kShortHeaderSize)
        ReadShortHeader(reply, rest, msbFirst);
    ReadRecords(rest.sliced(headerSize), msbFirst, medium, reply);
    return reply;
}
