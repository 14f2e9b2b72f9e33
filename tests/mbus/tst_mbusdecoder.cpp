#include "mbus.h"
#include "mbusdecoder.h"
#include "recordingtrafficview.h"
#include "trafficstate.h"

#include <QtTest>
#include <memory>

namespace {

// An RSP_UD as printed in the public EN 13757-3 / EN 1434-3 material: a water meter with a
// 24-bit volume, a stored maximum flow in BCD and an energy with tariff and subunit.
const QByteArray kPublicExample = Bytes({
    0x68, 0x1F, 0x1F, 0x68,       // start, L = 31, L, start
    0x08, 0x02, 0x72,             // C: RSP_UD, A: 2, CI: long header
    0x78, 0x56, 0x34, 0x12,       // identification 12345678
    0x24, 0x40,                   // manufacturer 0x4024 = "PAD"
    0x01, 0x07,                   // version 1, medium: water
    0x55, 0x00, 0x00, 0x00,       // access 0x55, status 0, signature 0
    0x03, 0x13, 0x15, 0x31, 0x00, // 24-bit, volume 1 l: 12565 l
    0xDA, 0x02, 0x3B, 0x13, 0x01, // BCD4 maximum, storage 1 + DIFE storage 2: 0.113 m3/h
    0x8B, 0x60, 0x04,             // BCD6, DIFE tariff 2 subunit 1, energy 10 Wh
    0x37, 0x18, 0x02,             // 021837
    0x18,                         // CS
    0x16,                         // stop
});

// The simulated heat meter's reply, read on 2026-12-09 at 10:30.
const QByteArray kSimulatorReply = Bytes({
    0x68, 0x4B, 0x4B, 0x68,             // start, L = 75, L, start
    0x08, 0x00, 0x72,                   // C: RSP_UD, A: 0, CI: long header
    0x78, 0x56, 0x34, 0x12,             // identification 12345678
    0x58, 0x47, 0x01, 0x04,             // manufacturer "QZX", version 1, medium: heat (outlet)
    0x01, 0x00, 0x00, 0x00,             // access 1, status 0, signature 0
    0x04, 0x06, 0x6E, 0xB2, 0x00, 0x00, // energy 45678 kWh
    0x04, 0x13, 0x06, 0x12, 0x0F, 0x00, // volume 987654 l
    0x04, 0x2B, 0x34, 0x30, 0x00, 0x00, // power 12340 W
    0x02, 0x3B, 0x30, 0x02,             // volume flow 560 l/h
    0x02, 0x59, 0x96, 0x19,             // flow temperature 65.50 degC
    0x02, 0x5D, 0xA8, 0x11,             // return temperature 45.20 degC
    0x02, 0x61, 0xEE, 0x07,             // temperature difference 20.30 K
    0x04, 0x6D, 0x1E, 0x0A, 0x49, 0x3C, // type F: 2026-12-09 10:30
    0x44, 0x06, 0xC8, 0xAF, 0x00, 0x00, // storage 1: energy 45000 kWh
    0x42, 0x6C, 0x41, 0x3C,             // storage 1: type G 2026-12-01
    0x0C, 0x78, 0x78, 0x56, 0x34, 0x12, // fabrication number 12345678
    0x01, 0xFD, 0x17, 0x00,             // error flags 0
    0xCE,                               // CS
    0x16,                               // stop
});

// A long frame around `userData` (CI and what follows) with the right L and CS.
QByteArray LongFrame(const QByteArray &userData)
{
    const QByteArray body = Bytes({0x08, 0x05}) + userData; // C: RSP_UD, A: 5
    std::uint8_t sum = 0;
    for (const char c : body)
        sum = std::uint8_t(sum + std::uint8_t(c));
    return Bytes({0x68, int(body.size()), int(body.size()), 0x68}) + body + char(sum) + '\x16';
}

// Decodes from a buffer of exactly the frame's size, so that a sanitizer build sees any read
// past the frame.
DecodedReply DecodeExact(const QByteArray &frame)
{
    const auto buffer = std::make_unique<char[]>(size_t(frame.size()));
    std::memcpy(buffer.get(), frame.constData(), size_t(frame.size()));
    return MbusDecodeReply(QByteArrayView(buffer.get(), frame.size()));
}

QStringList RecordsJson(const DecodedReply &reply)
{
    QStringList out;
    for (const DecodedRecord &r : reply.records)
        out << DecodedRecordJson(r);
    return out;
}

// The JSON without "raw_value", "exponent" and an empty "modifiers", for the rows that check
// values, units and positions; the rows of the extensions check those members.
QString WithoutExactMembers(QString json)
{
    static const QRegularExpression kExact(
        QStringLiteral(R"(, "raw_value": -?\d+, "exponent": -?\d+|, "modifiers": \[\])"));
    return json.remove(kExact);
}

QStringList PlainRecordsJson(const DecodedReply &reply)
{
    QStringList out;
    for (const QString &json : RecordsJson(reply))
        out << WithoutExactMembers(json);
    return out;
}

QString Rec(const QString &where, const QString &what, const QString &raw,
            const QString &error = {})
{
    return QStringLiteral("{%1, %2, \"raw\": \"%3\"%4}")
        .arg(where, what, raw,
             error.isEmpty() ? QString() : QStringLiteral(", \"error\": \"%1\"").arg(error));
}

// storage, tariff, subunit and function of an instantaneous value of the current storage.
const QString kNow = QStringLiteral(
    "\"storage\": 0, \"tariff\": 0, \"subunit\": 0, \"function\": \"instantaneous\"");

QString Value(const char *quantity, const char *value, const char *unit)
{
    return QStringLiteral("\"quantity\": \"%1\", \"value\": %2, \"unit\": \"%3\"")
        .arg(QLatin1String(quantity), QString::fromUtf8(value), QString::fromUtf8(unit));
}

QString Failed(const char *quantity)
{
    return QStringLiteral("\"quantity\": \"%1\", \"value\": null, \"unit\": \"\"")
        .arg(QLatin1String(quantity));
}

} // namespace

class TestMbusDecoder : public QObject
{
    Q_OBJECT
private slots:
    void shouldDecodeWholeReplies_data();
    void shouldDecodeWholeReplies();
    void shouldDecodeEachRecordKind_data();
    void shouldDecodeEachRecordKind();
    void shouldApplyOrNameEveryExtension_data();
    void shouldApplyOrNameEveryExtension();
    void shouldReportRepliesThatCarryNoRecords_data();
    void shouldReportRepliesThatCarryNoRecords();
    void shouldNeverReadPastTheFrame_data();
    void shouldNeverReadPastTheFrame();
    void shouldHandOnTheRecognizedFrame();
};

void TestMbusDecoder::shouldDecodeWholeReplies_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("json");

    QTest::newRow("public example")
        << kPublicExample
        << QStringLiteral(
               R"j({"protocol": "mbus", "checked": true, "header": {"id": "12345678", )j"
               R"j("manufacturer": "PAD", "version": 1, "medium": "water", "access": 85, "status": 0, )j"
               R"j("signature": 0}, "records": [{"storage": 0, "tariff": 0, "subunit": 0, )j"
               R"j("function": "instantaneous", "quantity": "volume", "value": 12.565, "unit": "m^3", )j"
               R"j("raw": "03 13 15 31 00"}, {"storage": 5, "tariff": 0, "subunit": 0, )j"
               R"j("function": "maximum", "quantity": "volume flow", "value": 0.113, "unit": "m^3/h", )j"
               R"j("raw": "DA 02 3B 13 01"}, {"storage": 0, "tariff": 2, "subunit": 1, )j"
               R"j("function": "instantaneous", "quantity": "energy", "value": 218370, "unit": "Wh", )j"
               R"j("raw": "8B 60 04 37 18 02"}], "more_records": false})j");

    QTest::newRow("cut short inside a record")
        << kPublicExample.left(27)
        << QStringLiteral(
               R"j({"protocol": "mbus", "checked": false, "header": {"id": "12345678", )j"
               R"j("manufacturer": "PAD", "version": 1, "medium": "water", )j"
               R"j("access": 85, "status": 0, "signature": 0}, "records": [)j"
               R"j({"storage": 0, "tariff": 0, "subunit": 0, "function": )j"
               R"j("instantaneous", "quantity": "volume", "value": 12.565, )j"
               R"j("unit": "m^3", "raw": "03 13 15 31 00"}, {"storage": 5, )j"
               R"j("tariff": 0, "subunit": 0, "function": "maximum", "quantity": "volume flow", )j"
               R"j("value": null, "unit": "", "raw": "DA 02 3B", "error": )j"
               R"j("truncated record"}], "more_records": false, "error": )j"
               R"j("frame cut short: 23 of 31 bytes"})j");

    // CI 76 sends every multi-byte field high byte first.
    QTest::newRow("CI 76, high byte first")
        << LongFrame(Bytes({0x76,                   // CI
                            0x12, 0x34, 0x56, 0x78, // identification 12345678
                            0x40, 0x24, 0x01, 0x04, // "PAD", version 1, heat
                            0x07, 0x04, 0x00, 0x01, // access 7, status: power low, signature 1
                            0x04, 0x06, 0x00, 0x00, 0x91, 0xE7})) // energy 37351 kWh
        << QStringLiteral(
               R"j({"protocol": "mbus", "checked": true, "header": {"id": "12345678", )j"
               R"j("manufacturer": "PAD", "version": 1, "medium": "heat (outlet)", )j"
               R"j("access": 7, "status": 4, "signature": 1}, "records": [)j"
               R"j({"storage": 0, "tariff": 0, "subunit": 0, "function": )j"
               R"j("instantaneous", "quantity": "energy", "value": 37351000, )j"
               R"j("unit": "Wh", "raw": "04 06 00 00 91 E7"}], "more_records": false})j");

    QTest::newRow("CI 7A short header, manufacturer data with more to follow")
        << LongFrame(Bytes({0x7A,                   // CI
                            0x09, 0x00, 0x00, 0x00, // access 9, status 0, signature 0
                            0x2F, 0x2F,             // idle filler
                            0x1F, 0xAB, 0xCD}))     // manufacturer data, more follows
        << QStringLiteral(R"j({"protocol": "mbus", "checked": true, "header": {"access": 9, )j"
                          R"j("status": 0, "signature": 0}, "records": [{"storage": 0, )j"
                          R"j("tariff": 0, "subunit": 0, "function": "instantaneous", )j"
                          R"j("quantity": "manufacturer data", "value": "AB CD", "unit": "", )j"
                          R"j("raw": "1F AB CD"}], "more_records": true})j");
}

void TestMbusDecoder::shouldDecodeWholeReplies()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, json);
    QCOMPARE(WithoutExactMembers(DecodedReplyJson(DecodeExact(frame))), json);
}

void TestMbusDecoder::shouldDecodeEachRecordKind_data()
{
    QTest::addColumn<QByteArray>("records"); // after a CI 78 (no header)
    QTest::addColumn<QStringList>("json");

    const QString fmt =
        QStringLiteral("\"storage\": %1, \"tariff\": %2, \"subunit\": %3, \"function\": \"%4\"");

    QTest::newRow("8/16/48/64-bit integers, signed")
        << Bytes({0x01, 0x5B, 0x80,                               // int8 flow temp degC: -128
                  0x02, 0x61, 0xFE, 0xFF,                         // int16 0.01 K: -2
                  0x06, 0x07, 0x01, 0x00, 0x00, 0x00, 0x00, 0x80, // int48 10 kWh: -2^47 + 1
                  0x07, 0x10, 0x02, 0,    0,    0,    0,    0,    0, 0}) // int64 1e-6 m3: 2
        << QStringList{
               Rec(kNow, Value("flow temperature", "-128", "°C"), "01 5B 80"),
               Rec(kNow, Value("temperature difference", "-0.02", "K"), "02 61 FE FF"),
               Rec(kNow, Value("energy", "-1407374883553270000", "Wh"), "06 07 01 00 00 00 00 80"),
               Rec(kNow, Value("volume", "0.000002", "m^3"), "07 10 02 00 00 00 00 00 00 00")};

    QTest::newRow("32-bit real")
        << Bytes({0x05, 0x2E, 0x00, 0x00, 0xC0, 0x3F}) // real, power kW: 1.5
        << QStringList{Rec(kNow, Value("power", "1500", "W"), "05 2E 00 00 C0 3F")};

    QTest::newRow("BCD of 2, 4, 6, 8 and 12 digits")
        << Bytes({0x09, 0x5A, 0x99,                                // 0.1 degC: 9.9
                  0x0A, 0x29, 0x34, 0x12,                          // 0.01 W: 12.34
                  0x0B, 0x3B, 0x56, 0x34, 0x12,                    // l/h: 123.456 m3/h
                  0x0C, 0x13, 0x78, 0x56, 0x34, 0x12,              // l: 12345.678 m3
                  0x0E, 0x0E, 0x12, 0x90, 0x78, 0x56, 0x34, 0x12}) // MJ
        << QStringList{
               Rec(kNow, Value("flow temperature", "9.9", "°C"), "09 5A 99"),
               Rec(kNow, Value("power", "12.34", "W"), "0A 29 34 12"),
               Rec(kNow, Value("volume flow", "123.456", "m^3/h"), "0B 3B 56 34 12"),
               Rec(kNow, Value("volume", "12345.678", "m^3"), "0C 13 78 56 34 12"),
               Rec(kNow, Value("energy", "123456789012000000", "J"), "0E 0E 12 90 78 56 34 12")};

    QTest::newRow("negative BCD and a non-BCD digit")
        << Bytes({0x0C, 0x13, 0x23, 0x01, 0x00, 0xF0, // sign nibble F: -123 l
                  0x0A, 0x13, 0x1A, 0x00,             // digit A: invalid
                  0x01, 0x7A, 0x05})                  // the next record still decodes
        << QStringList{Rec(kNow, Value("volume", "-0.123", "m^3"), "0C 13 23 01 00 F0"),
                       Rec(kNow, Failed("volume"), "0A 13 1A 00", "invalid BCD"),
                       Rec(kNow, Value("bus address", "5", ""), "01 7A 05")};

    QTest::newRow("function field and DIFE chain")
        << Bytes({0x14, 0x06, 0x01, 0x00, 0x00, 0x00,              // maximum
                  0x22, 0x5B, 0x01, 0x00,                          // minimum
                  0x31, 0x5B, 0x02,                                // value during error
                  0xC4, 0x82, 0x51, 0x06, 0x03, 0x00, 0x00, 0x00}) // storage 1+4+32, ...
        << QStringList{Rec(fmt.arg(0).arg(0).arg(0).arg("maximum"), Value("energy", "1000", "Wh"),
                           "14 06 01 00 00 00"),
                       Rec(fmt.arg(0).arg(0).arg(0).arg("minimum"),
                           Value("flow temperature", "1", "°C"), "22 5B 01 00"),
                       Rec(fmt.arg(0).arg(0).arg(0).arg("value during error"),
                           Value("flow temperature", "2", "°C"), "31 5B 02"),
                       Rec(fmt.arg(37).arg(4).arg(2).arg("instantaneous"),
                           Value("energy", "3000", "Wh"), "C4 82 51 06 03 00 00 00")};

    QTest::newRow("dates type G, F and I; invalid time")
        << Bytes({0x42, 0x6C, 0x41, 0x3C,                         // storage 1: 2026-12-01
                  0x04, 0x6D, 0x1E, 0x0E, 0x49, 0x3C,             // 2026-12-09 14:30
                  0x06, 0x6D, 0x2D, 0x1E, 0x0E, 0x49, 0x3C, 0x00, // ... :45
                  0x04, 0x6D, 0x9E, 0x0E, 0x49, 0x3C,             // IV bit: invalid
                  0x02, 0x6C, 0x00, 0x00})                        // day 0: invalid
        << QStringList{
               Rec(fmt.arg(1).arg(0).arg(0).arg("instantaneous"),
                   Value("date", "\"2026-12-01\"", ""), "42 6C 41 3C"),
               Rec(kNow, Value("date and time", "\"2026-12-09 14:30\"", ""), "04 6D 1E 0E 49 3C"),
               Rec(kNow, Value("date and time", "\"2026-12-09 14:30:45\"", ""),
                   "06 6D 2D 1E 0E 49 3C 00"),
               Rec(kNow, Failed("date and time"), "04 6D 9E 0E 49 3C", "invalid date"),
               Rec(kNow, Failed("date"), "02 6C 00 00", "invalid date")};

    QTest::newRow("durations and flows scaled to seconds and hours")
        << Bytes({0x02, 0x22, 0x0A, 0x00,  // on time: 10 h
                  0x01, 0x27, 0x02,        // operating time: 2 days
                  0x02, 0x43, 0x0A, 0x00,  // 1e-4 m3/min: 10
                  0x02, 0x4F, 0x03, 0x00}) // 1e-2 m3/s: 3
        << QStringList{Rec(kNow, Value("on time", "36000", "s"), "02 22 0A 00"),
                       Rec(kNow, Value("operating time", "172800", "s"), "01 27 02"),
                       Rec(kNow, Value("volume flow", "0.0600", "m^3/h"), "02 43 0A 00"),
                       Rec(kNow, Value("volume flow", "108.00", "m^3/h"), "02 4F 03 00")};

    QTest::newRow("FD and FB extensions, text, plain-text and maker VIFs")
        << Bytes({0x02, 0xFD, 0x48, 0xE6, 0x00,                   // 0.1 V: 23.0
                  0x02, 0xFD, 0x59, 0xF4, 0x01,                   // mA: 0.500
                  0x01, 0xFD, 0x17, 0x84,                         // error flags, unsigned
                  0x0D, 0xFD, 0x10, 0x03, 0x43, 0x42, 0x41,       // customer location "ABC"
                  0x0A, 0xFD, 0x0E, 0x01, 0x02,                   // firmware version 0201
                  0x02, 0xFD, 0x74, 0x6D, 0x01,                   // battery: 365 days
                  0x04, 0xFB, 0x01, 0x07, 0x00, 0x00, 0x00,       // 1 MWh: 7
                  0x02, 0x7C, 0x03, 0x6D, 0x70, 0x72, 0xE8, 0x03, // "rpm": 1000
                  0x01, 0xFF, 0x21, 0x05,                         // maker's VIF and VIFE
                  0x01, 0xFD, 0x67, 0x03,                         // special supplier info
                  0x02, 0xFB, 0x21, 0x0A, 0x00})                  // 0.1 ft3: 10
        << QStringList{
               Rec(kNow, Value("voltage", "23.0", "V"), "02 FD 48 E6 00"),
               Rec(kNow, Value("current", "0.500", "A"), "02 FD 59 F4 01"),
               Rec(kNow, Value("error flags", "132", ""), "01 FD 17 84"),
               Rec(kNow, Value("customer location", "\"ABC\"", ""), "0D FD 10 03 43 42 41"),
               Rec(kNow, Value("firmware version", "\"0201\"", ""), "0A FD 0E 01 02"),
               Rec(kNow, Value("remaining battery time", "31536000", "s"), "02 FD 74 6D 01"),
               Rec(kNow, Value("energy", "7000000", "Wh"), "04 FB 01 07 00 00 00"),
               Rec(kNow, Value("plain text unit", "1000", "rpm"), "02 7C 03 6D 70 72 E8 03"),
               Rec(kNow,
                   Value("manufacturer specific", "5", "") +
                       R"(, "modifiers": ["manufacturer specific 21"])",
                   "01 FF 21 05"),
               Rec(kNow, Value("special supplier information", "3", ""), "01 FD 67 03"),
               Rec(kNow, Value("volume", "0.0283168465920", "m^3"), "02 FB 21 0A 00")};

    QTest::newRow("unknown VIF is kept with its bytes, decoding goes on")
        << Bytes({0x01, 0x6F, 0x01,       // reserved VIF
                  0x01, 0xFD, 0x7F, 0x02, // unknown FD entry
                  0x01, 0x7A, 0x05})
        << QStringList{Rec(kNow, Failed("unknown VIF 6f"), "01 6F 01", "unknown VIF 6f"),
                       Rec(kNow, Failed("unknown VIFE FD 7f"), "01 FD 7F 02", "unknown VIFE FD 7f"),
                       Rec(kNow, Value("bus address", "5", ""), "01 7A 05")};
}

void TestMbusDecoder::shouldDecodeEachRecordKind()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, json);
    const DecodedReply reply = DecodeExact(LongFrame(char(0x78) + records));
    QVERIFY(reply.checked);
    QCOMPARE(PlainRecordsJson(reply), json);
}

void TestMbusDecoder::shouldApplyOrNameEveryExtension_data()
{
    QTest::addColumn<QByteArray>("records"); // after a CI 78 (no header)
    QTest::addColumn<QStringList>("json");
    QTest::addColumn<QStringList>("lines");

    // A record of the current storage: its quantity, value, unit, exact members and modifiers.
    const auto rec = [](const char *quantity, const char *value, const char *unit, const char *rest,
                        const char *raw) {
        return QStringLiteral("{%1, \"quantity\": \"%2\", \"value\": %3, \"unit\": \"%4\", %5, "
                              "\"raw\": \"%6\"}")
            .arg(kNow, QLatin1String(quantity), QLatin1String(value), QString::fromUtf8(unit),
                 QLatin1String(rest), QLatin1String(raw));
    };

    QTest::newRow("duration of the first exceed of the lower and upper flow limits")
        << Bytes({0x04, 0xBE, 0x50, 0x71, 0xBB, 0xB0, 0x00,  // m3/h, VIFE 50: s
                  0x04, 0xBE, 0x58, 0xF4, 0x02, 0x00, 0x00}) // VIFE 58: upper limit
        << QStringList{rec("duration of first exceed of lower limit of volume flow", "11582321",
                           "s",
                           R"("raw_value": 11582321, "exponent": 0, "modifiers": ["duration of first )"
                           R"(exceed of lower limit"])",
                           "04 BE 50 71 BB B0 00"),
                       rec("duration of first exceed of upper limit of volume flow", "756", "s",
                           R"("raw_value": 756, "exponent": 0, "modifiers": ["duration of first )"
                           R"(exceed of upper limit"])",
                           "04 BE 58 F4 02 00 00")}
        << QStringList{"流量下限超限持续时间：11582321 s", "流量上限超限持续时间：756 s"};

    QTest::newRow("date of the end of the last exceed, maximum of tariff 1")
        << Bytes({0x94, 0x10, 0xDA, 0x6F, 0x32, 0x14, 0x7A, 0x18}) // 0.1 degC, VIFE 6F
        << QStringList{QStringLiteral(
               R"({"storage": 0, "tariff": 1, "subunit": 0, "function": "maximum", )"
               R"("quantity": "date(/time) of end of last exceed of flow temperature", )"
               R"("value": "2011-08-26 20:50", "unit": "", "modifiers": ["date(/time) of end )"
               R"(of last exceed"], "raw": "94 10 DA 6F 32 14 7A 18"})")}
        << QStringList{"供水温度最后一次超限结束时间：2011-08-26 20:50（最大值，费率 1）"};

    QTest::newRow("accumulation of positive and of negative contributions")
        << Bytes({0x04, 0x86, 0x3B, 0x10, 0x27, 0x00, 0x00,  // kWh, only if positive
                  0x04, 0x86, 0x3C, 0x2A, 0x00, 0x00, 0x00}) // abs value if negative
        << QStringList{rec("energy", "10000000", "Wh",
                           R"("raw_value": 10000, "exponent": 3, "modifiers": ["accumulation only if )"
                           R"(positive contributions"])",
                           "04 86 3B 10 27 00 00"),
                       rec("energy", "42000", "Wh",
                           R"("raw_value": 42, "exponent": 3, "modifiers": ["accumulation of abs )"
                           R"(value only if negative contributions"])",
                           "04 86 3C 2A 00 00 00")}
        << QStringList{"能量（仅累积正值）：10000 kWh", "能量（累积负值的绝对值）：42 kWh"};

    QTest::newRow("rate per hour and increment per input pulse")
        << Bytes({0x02, 0x93, 0x22, 0x05, 0x00,              // l, per hour
                  0x04, 0x90, 0x28, 0x0B, 0x00, 0x00, 0x00}) // ml per pulse, channel 0
        << QStringList{rec("volume per hour", "0.005", "m^3/h",
                           R"("raw_value": 5, "exponent": -3, "modifiers": ["per hour"])",
                           "02 93 22 05 00"),
                       rec("volume increment per input pulse on input channel #0", "0.000011",
                           "m^3",
                           R"("raw_value": 11, "exponent": -6, "modifiers": ["increment per input )"
                           R"(pulse on input channel #0"])",
                           "04 90 28 0B 00 00 00")}
        << QStringList{"累积流量（每小时）：0.005 m³/h",
                       "累积流量（输入通道0每脉冲增量）：0.000011 m³"};

    QTest::newRow("limit value and number of exceeds")
        << Bytes({0x02, 0xD9, 0x40, 0x10, 0x27, // 0.01 degC, lower limit value
                  0x01, 0xD9, 0x49, 0x03})      // number of exceeds of the upper limit
        << QStringList{rec("flow temperature", "100.00", "°C",
                           R"("raw_value": 10000, "exponent": -2, "modifiers": ["lower limit value"])",
                           "02 D9 40 10 27"),
                       rec("number of exceeds of upper limit of flow temperature", "3", "",
                           R"("raw_value": 3, "exponent": 0, "modifiers": ["number of exceeds of upper )"
                           R"(limit"])",
                           "01 D9 49 03")}
        << QStringList{"供水温度下限值：100.00 °C", "供水温度上限超限次数：3"};

    QTest::newRow("record error code instead of a value")
        << Bytes({0x04, 0x93, 0x15, 0x00, 0x00, 0x00, 0x00}) // E001 0101: no data
        << QStringList{rec("volume", "null", "",
                           R"("modifiers": ["record error: no data available (undefined )"
                           R"j(value)"], "error_code": 21)j",
                           "04 93 15 00 00 00 00")}
        << QStringList{"累积流量：无可用数据（值未定义）（错误码 15）"};

    QTest::newRow("start date, correction 10^3 and future value, reserved code")
        << Bytes({0x02, 0x86, 0x39, 0x41, 0x3C,                   // start date of: type G
                  0x04, 0x86, 0xFD, 0x7E, 0x01, 0x00, 0x00, 0x00, // kWh × 1000, future value
                  0x01, 0x93, 0x3D, 0x05})                        // reserved VIFE 3D
        << QStringList{rec("start date(/time) of energy", "\"2026-12-01\"", "",
                           R"("modifiers": ["start date(/time) of"])", "02 86 39 41 3C"),
                       rec("energy", "1000000", "Wh",
                           R"("raw_value": 1, "exponent": 6, "modifiers": ["multiplicative correction )"
                           R"(factor 10^3", "future value"])",
                           "04 86 FD 7E 01 00 00 00"),
                       rec("volume", "0.005", "m^3",
                           R"("raw_value": 5, "exponent": -3, "modifiers": ["reserved VIFE 3D"])",
                           "01 93 3D 05")}
        << QStringList{"能量起始时间：2026-12-01", "能量（未来值）：1 MWh",
                       "累积流量（保留扩展 3D）：0.005 m³"};

    QTest::newRow("three phases told apart by the manufacturer's extensions")
        << Bytes({0x02, 0xFD, 0xC8, 0xFF, 0x01, 0xE6, 0x00,  // 0.1 V, FF 01
                  0x02, 0xFD, 0xC8, 0xFF, 0x02, 0xE7, 0x00}) // 0.1 V, FF 02
        << QStringList{rec("voltage", "23.0", "V",
                           R"("raw_value": 230, "exponent": -1, "modifiers": ["manufacturer )"
                           R"(specific", "manufacturer specific 01"])",
                           "02 FD C8 FF 01 E6 00"),
                       rec("voltage", "23.1", "V",
                           R"("raw_value": 231, "exponent": -1, "modifiers": ["manufacturer )"
                           R"(specific", "manufacturer specific 02"])",
                           "02 FD C8 FF 02 E7 00")}
        << QStringList{"电压（厂商扩展 FF 01）：23.0 V", "电压（厂商扩展 FF 02）：23.1 V"};

    QTest::newRow("numbers exactly as sent: float 0.1, 64-bit flags, summer time")
        << Bytes({0x05, 0x5B, 0xCD, 0xCC, 0xCC, 0x3D,                               // 0.1 degC
                  0x07, 0xFD, 0x17, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // all set
                  0x04, 0x6D, 0x1E, 0x8A, 0x49, 0x36})                              // SU bit
        << QStringList{rec("flow temperature", "0.1", "°C",
                           R"("raw_value": 1, "exponent": -1, "modifiers": [])",
                           "05 5B CD CC CC 3D"),
                       rec("error flags", "18446744073709551615", "",
                           R"("raw_value": 18446744073709551615, "exponent": 0, "modifiers": [])",
                           "07 FD 17 FF FF FF FF FF FF FF FF"),
                       rec("date and time", "\"2026-06-09 10:30\"", "",
                           R"("modifiers": ["summer time"])", "04 6D 1E 8A 49 36")}
        << QStringList{"供水温度：0.1 °C", "错误标志：18446744073709551615",
                       "日期时间：2026-06-09 10:30（夏令时）"};

    QTest::newRow("dates that do not exist")
        << Bytes({0x02, 0x6C, 0x1F, 0x02,              // type G 2000-02-31
                  0x04, 0x6D, 0x00, 0x00, 0xFD, 0x22}) // type F 2023-02-29 00:00
        << QStringList{Rec(kNow, Failed("date") + R"(, "modifiers": [])", "02 6C 1F 02",
                           "invalid date"),
                       Rec(kNow, Failed("date and time") + R"(, "modifiers": [])",
                           "04 6D 00 00 FD 22", "invalid date")}
        << QStringList{"日期：日期无效，原始数据 02 6C 1F 02",
                       "日期时间：日期无效，原始数据 04 6D 00 00 FD 22"};
}

void TestMbusDecoder::shouldApplyOrNameEveryExtension()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, json);
    QFETCH(QStringList, lines);
    const DecodedReply reply = DecodeExact(LongFrame(char(0x78) + records));
    QVERIFY(reply.checked);
    QCOMPARE(RecordsJson(reply), json);
    QCOMPARE(DecodedReplyLines(reply), lines);
}

void TestMbusDecoder::shouldReportRepliesThatCarryNoRecords_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("line");

    const QString empty =
        QStringLiteral(R"({"protocol": "mbus", "checked": %1, "header": {}, "records": [], )"
                       R"("more_records": false, %2})");
    QTest::newRow("application busy")
        << Bytes({0x68, 0x04, 0x04, 0x68, 0x08, 0x01, 0x70, 0x08, 0x81, 0x16})
        << empty.arg("true", R"("application_error": {"code": 8, "text": "application busy"})")
        << "应用错误：应用忙（代码 08）";
    QTest::newRow("the two L bytes differ")
        << Bytes({0x68, 0x05, 0x06, 0x68, 0x08, 0x05, 0x78, 0x01, 0x7A, 0x05, 0xF7, 0x16})
        << empty.arg("false", R"("error": "malformed frame: the two L bytes differ")")
        << "无法解析：帧格式错误：两个长度字节不同";
    QTest::newRow("second start byte not 68")
        << Bytes({0x68, 0x05, 0x05, 0x69, 0x08, 0x05, 0x78, 0x01, 0x7A, 0x05, 0xF7, 0x16})
        << empty.arg("false", R"("error": "malformed frame: the second start byte is not 68")")
        << "无法解析：帧格式错误：第二个起始字节不是68";
    QTest::newRow("CI 51 is not a reply")
        << LongFrame(Bytes({0x51, 0x01, 0x7A, 0x05}))
        << empty.arg("true", R"("error": "CI 51 is not a variable data reply")")
        << "无法解析：CI 51 不是可变数据应答";
    QTest::newRow("not a long frame")
        << Bytes({0xE5}) << empty.arg("false", R"("error": "not an M-Bus long frame")")
        << "无法解析：不是M-Bus长帧";
}

void TestMbusDecoder::shouldReportRepliesThatCarryNoRecords()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, json);
    QFETCH(QString, line);
    const DecodedReply reply = DecodeExact(frame);
    QCOMPARE(DecodedReplyJson(reply), json);
    QCOMPARE(DecodedReplyLines(reply), QStringList{line});
}

void TestMbusDecoder::shouldNeverReadPastTheFrame_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("lastRecord");

    // Records that claim more bytes than the frame holds, each as the frame's last bytes.
    const auto cut = [](const QByteArray &records) { return LongFrame(char(0x78) + records); };
    const QString truncated = QStringLiteral("truncated record");
    QTest::newRow("data cut") << cut(Bytes({0x04, 0x06, 0xE7, 0x91}))
                              << Rec(kNow, Failed("energy"), "04 06 E7 91", truncated);
    QTest::newRow("DIFE missing") << cut(Bytes({0x84})) << Rec(kNow, Failed(""), "84", truncated);
    QTest::newRow("VIFE missing") << cut(Bytes({0x01, 0xFD}))
                                  << Rec(kNow, Failed(""), "01 FD", truncated);
    QTest::newRow("text longer than the frame")
        << cut(Bytes({0x0D, 0xFD, 0x11, 0x09, 0x41, 0x42}))
        << Rec(kNow, Failed("customer"), "0D FD 11 09 41 42", truncated);
    QTest::newRow("plain-text unit longer than the frame")
        << cut(Bytes({0x01, 0x7C, 0x05, 0x41})) << Rec(kNow, Failed(""), "01 7C 05 41", truncated);
    QTest::newRow("reserved LVAR")
        << cut(Bytes({0x0D, 0x13, 0xF8, 0x00}))
        << Rec(kNow, Failed("volume"), "0D 13 F8 00", "reserved LVAR f8");
    QTest::newRow("eleven DIFEs") << cut(Bytes({0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
                                                0x80, 0x80, 0x80, 0x00, 0x7A, 0x01}))
                                  << Rec(kNow, Failed(""),
                                         "81 80 80 80 80 80 80 80 80 80 80 00 7A 01",
                                         "more than ten DIFEs");

    // L says 5 (C A CI 01 7A): the address byte after it, the CS and the stop byte are not
    // part of the record.
    QTest::newRow("L shorter than the bytes given")
        << Bytes({0x68, 0x05, 0x05, 0x68, 0x08, 0x05, 0x78, 0x01, 0x7A, 0x05, 0xF7, 0x16})
        << Rec(kNow, Failed("bus address"), "01 7A", truncated);
}

void TestMbusDecoder::shouldNeverReadPastTheFrame()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, lastRecord);
    const QStringList records = PlainRecordsJson(DecodeExact(frame));
    QVERIFY(!records.isEmpty());
    QCOMPARE(records.last(), lastRecord);
}

void TestMbusDecoder::shouldHandOnTheRecognizedFrame()
{
    // Noise, then the reply split in two: what the recognizer assembled decodes as the reply.
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    MbusReadData(state, 0x00);
    state.ReceiveNotification(Bytes({0x00, 0xE5}) + kSimulatorReply.left(30));
    state.ReceiveNotification(kSimulatorReply.mid(30));
    QCOMPARE(view.checkedReplies, 1);
    QCOMPARE(view.checkedFrame, kSimulatorReply);
    QCOMPARE(DecodedReplyLines(MbusDecodeReply(view.checkedFrame)),
             QStringList({"表号：12345678", "厂商：QZX", "介质：热量（出口）", "热量：45678 kWh",
                          "累积流量：987.654 m³", "热功率：12340 W", "瞬时流量：0.560 m³/h",
                          "供水温度：65.50 °C", "回水温度：45.20 °C", "温差：20.30 K",
                          "日期时间：2026-12-09 10:30", "热量：45000 kWh（存储号 1）",
                          "日期：2026-12-01（存储号 1）", "出厂编号：12345678", "错误标志：0"}));
}

QTEST_GUILESS_MAIN(TestMbusDecoder)
#include "tst_mbusdecoder.moc"
