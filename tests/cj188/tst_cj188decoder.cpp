#include "cj188.h"
#include "cj188decoder.h"
#include "recordingtrafficview.h"
#include "trafficstate.h"

#include <QtTest>

namespace {

// The simulated cold-water meter's reply, read on 2026-12-09 at 10:30:00.
const QByteArray kSimWaterReply = Bytes({
    0xFE, 0xFE,                               // wake-up
    0x68, 0x10,                               // start, T: cold water
    0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // A0..A6: 0012345678, maker 3378
    0x81, 0x16,                               // C: read-data reply, L: 22
    0x1F, 0x90, 0x01,                         // DI0 DI1 (901F), SER
    0x56, 0x34, 0x12, 0x00, 0x2C,             // current flow 1234.56 m3
    0x00, 0x00, 0x12, 0x00, 0x2C,             // settlement-date flow 1200.00 m3
    0x00, 0x30, 0x10, 0x09, 0x12, 0x26, 0x20, // ss mm hh DD MM YY YY
    0x00, 0x00,                               // status: valve open, battery normal
    0x25, 0x16,                               // CS, end
});

// The simulated heat meter's reply, with the battery-low bit set in its status.
const QByteArray kHeatMeterReply = Bytes({
    0x68, 0x20,                               // start, T: heat meter
    0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // A0..A6
    0x81, 0x2E,                               // C: read-data reply, L: 46
    0x1F, 0x90, 0x01,                         // DI0 DI1, SER
    0x00, 0x00, 0x50, 0x04, 0x05,             // settlement-date heat 45000.00 kWh
    0x90, 0x78, 0x56, 0x04, 0x05,             // current heat 45678.90 kWh
    0x34, 0x12, 0x00, 0x00, 0x17,             // heat power 12.34 kW
    0x00, 0x56, 0x00, 0x00, 0x35,             // flow 0.5600 m3/h
    0x56, 0x34, 0x12, 0x00, 0x2C,             // cumulative flow 1234.56 m3
    0x50, 0x65, 0x00,                         // supply 65.50 degC
    0x20, 0x45, 0x00,                         // return 45.20 degC
    0x34, 0x12, 0x00,                         // working time 1234 h
    0x00, 0x30, 0x10, 0x09, 0x12, 0x26, 0x20, // real time
    0x04, 0x00,                               // status: valve open, battery low
    0x1B, 0x16,                               // CS, end
});

// A reply around `data` (after C and L) with the right L and CS.
QByteArray Reply(int type, int control, const QByteArray &data)
{
    QByteArray f =
        Bytes({0x68, type, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, control, int(data.size())}) +
        data;
    std::uint8_t sum = 0;
    for (const char c : std::as_const(f))
        sum = std::uint8_t(sum + std::uint8_t(c));
    return f + char(sum) + '\x16';
}

const QByteArray kReadDataDi = Bytes({0x1F, 0x90, 0x01});
const QByteArray kTimeAndStatus =
    Bytes({0x00, 0x30, 0x10, 0x09, 0x12, 0x26, 0x20, 0x01, 0x00}); // valve closed

const QStringList kWaterLines{"当前累积流量：1234.56 m³", "结算日累积流量：1200.00 m³",
                              "实时时间：2026-12-09 10:30:00", "阀门状态：开", "电池电压：正常"};

const QStringList kHeatLines{"结算日热量：45000.00 kWh",
                             "当前热量：45678.90 kWh",
                             "热功率：12.34 kW",
                             "瞬时流量：0.5600 m³/h",
                             "累积流量：1234.56 m³",
                             "供水温度：65.50 °C",
                             "回水温度：45.20 °C",
                             "累计工作时间：1234 h",
                             "实时时间：2026-12-09 10:30:00",
                             "阀门状态：开",
                             "电池电压：欠压"};

} // namespace

class TestCj188Decoder : public QObject
{
    Q_OBJECT
private slots:
    void shouldDecodeReplies_data();
    void shouldDecodeReplies();
    void shouldGiveBaseUnitsInJson();
    void shouldReadEveryUnitCode_data();
    void shouldReadEveryUnitCode();
    void shouldHandOnTheRecognizedFrame();
};

void TestCj188Decoder::shouldDecodeReplies_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("water meter") << kSimWaterReply << true << kWaterLines;
    QTest::newRow("heat meter") << kHeatMeterReply << true << kHeatLines;
    QByteArray badSum = kSimWaterReply;
    badSum[badSum.size() - 2] = 0x26;
    QTest::newRow("wrong checksum still decodes, unchecked") << badSum << false << kWaterLines;
    QTest::newRow("gas meter, valve closed")
        << Reply(0x30, 0x81,
                 kReadDataDi + Bytes({0x00, 0x00, 0x00, 0x00, 0x29}) + // 0.00 L
                     Bytes({0x01, 0x00, 0x00, 0x00, 0x2C}) +           // 0.01 m3
                     kTimeAndStatus)
        << true
        << QStringList{"当前累积流量：0.00 L", "结算日累积流量：0.01 m³",
                       "实时时间：2026-12-09 10:30:00", "阀门状态：关", "电池电压：正常"};
    QTest::newRow("non-BCD digit, energy unit on a volume, month 13")
        << Reply(0x10, 0x81,
                 kReadDataDi + Bytes({0x56, 0x3A, 0x12, 0x00, 0x2C}) +
                     Bytes({0x00, 0x00, 0x12, 0x00, 0x05}) +
                     Bytes({0x00, 0x30, 0x10, 0x09, 0x13, 0x26, 0x20, 0x00, 0x00}))
        << true
        << QStringList{"当前累积流量：无法解析，原始数据 56 3A 12 00 2C",
                       "结算日累积流量：无法解析，原始数据 00 00 12 00 05",
                       "实时时间：日期无效，原始数据 00 30 10 09 13 26 20", "阀门状态：开",
                       "电池电压：正常"};
    QTest::newRow("L shorter than the water layout")
        << Reply(0x10, 0x81, kReadDataDi + Bytes({0x56, 0x34, 0x12, 0x00, 0x2C, 0x00, 0x00}))
        << true
        << QStringList{"当前累积流量：1234.56 m³", "结算日累积流量：无法解析，原始数据 00 00"};
    QTest::newRow("bytes after the last field")
        << Reply(0x10, 0x81, kSimWaterReply.mid(13, 22) + Bytes({0xAB})) << true
        << kWaterLines + QStringList{"多余数据：无法解析，原始数据 AB"};
    QTest::newRow("frame cut before its checksum")
        << kSimWaterReply.left(30) << false
        << QStringList{"当前累积流量：1234.56 m³", "结算日累积流量：1200.00 m³",
                       "实时时间：无法解析，原始数据 00 30 10 09",
                       "无法解析：报文不完整：收到 17 个数据字节，应为 22 个"};
    QTest::newRow("read-address reply")
        << Bytes({0x68, 0x10, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // start, T, A0..A6
                  0x83, 0x03, 0x0A, 0x81, 0x01,                         // C, L, DI0 DI1, SER
                  0x49, 0x16})                                          // CS, end
        << true << QStringList{"表地址：0012345678"};
    QTest::newRow("meter type without a layout")
        << Reply(0x40, 0x81, kSimWaterReply.mid(13, 22)) << true
        << QStringList{"无法解析：仪表类型 40 没有已知的数据格式"};
    QTest::newRow("error reply") << Reply(0x10, 0xC1, Bytes({0x1F, 0x90, 0x01, 0x00})) << true
                                 << QStringList{"无法解析：仪表应答异常（C C1）"};

    // Meters in the field send the identifiers high byte first as well.
    QByteArray heatDi901F = kHeatMeterReply.mid(11, kHeatMeterReply.size() - 13);
    std::swap(heatDi901F[0], heatDi901F[1]);
    QTest::newRow("heat meter, DI sent as 90 1F")
        << Reply(0x20, 0x81, heatDi901F) << true << kHeatLines;
    QByteArray waterDi901F = kSimWaterReply.mid(13, 22);
    std::swap(waterDi901F[0], waterDi901F[1]);
    QTest::newRow("water meter, DI sent as 90 1F")
        << Reply(0x10, 0x81, waterDi901F) << true << kWaterLines;
    QTest::newRow("read-address reply, DI sent as 81 0A")
        << Reply(0x10, 0x83, Bytes({0x81, 0x0A, 0x01})) << true
        << QStringList{"表地址：0012345678"};
    QTest::newRow("read-data C with another DI")
        << Reply(0x10, 0x81, Bytes({0x12, 0xD0, 0x01})) << true
        << QStringList{"无法解析：不是读数据或读地址应答（C 81，DI 12D0）"};
    QByteArray cooling = heatDi901F;
    cooling[cooling.size() - 2] = 0x43; // valve abnormal, bits 6 and 14 set
    cooling[cooling.size() - 1] = 0x40;
    QStringList coolingLines = kHeatLines;
    coolingLines[0] = QStringLiteral("结算日冷量：45000.00 kWh");
    coolingLines[1] = QStringLiteral("当前冷量：45678.90 kWh");
    coolingLines[9] = QStringLiteral("阀门状态：异常");
    coolingLines[10] = QStringLiteral("电池电压：正常");
    QTest::newRow("cooling meter: 冷量, unknown status bits by number")
        << Reply(0x21, 0x81, cooling) << true
        << coolingLines + QStringList{"其他状态位：第6位、第14位"};
    QTest::newRow("2023-02-30 is no date")
        << Reply(0x10, 0x81,
                 kReadDataDi + kSimWaterReply.mid(16, 10) +
                     Bytes({0x00, 0x00, 0x00, 0x30, 0x02, 0x23, 0x20, 0x00, 0x00}))
        << true
        << QStringList{"当前累积流量：1234.56 m³", "结算日累积流量：1200.00 m³",
                       "实时时间：日期无效，原始数据 00 00 00 30 02 23 20", "阀门状态：开",
                       "电池电压：正常"};
}

void TestCj188Decoder::shouldDecodeReplies()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, checked);
    QFETCH(QStringList, lines);
    const DecodedReply reply = Cj188DecodeReply(frame);
    QCOMPARE(reply.checked, checked);
    QCOMPARE(DecodedReplyLines(reply), lines);
}

void TestCj188Decoder::shouldGiveBaseUnitsInJson()
{
    // Each record: where it is, what it is, its value in the base unit, exact as raw_value ×
    // 10^exponent, its modifiers and its bytes.
    const auto rec = [](const char *quantity, const char *value, const char *unit,
                        const char *exact, const char *raw) {
        return QStringLiteral("{\"storage\": 0, \"tariff\": 0, \"subunit\": 0, \"function\": "
                              "\"instantaneous\", \"quantity\": \"%1\", \"value\": %2, "
                              "\"unit\": \"%3\", %4\"modifiers\": [], \"raw\": \"%5\"}")
            .arg(QLatin1String(quantity), QString::fromUtf8(value), QString::fromUtf8(unit),
                 QLatin1String(exact), QLatin1String(raw));
    };
    const QStringList records{
        rec("settlement-date heat", "45000000", "Wh", "\"raw_value\": 4500000, \"exponent\": 1, ",
            "00 00 50 04 05"),
        rec("current heat", "45678900", "Wh", "\"raw_value\": 4567890, \"exponent\": 1, ",
            "90 78 56 04 05"),
        rec("heat power", "12340", "W", "\"raw_value\": 1234, \"exponent\": 1, ", "34 12 00 00 17"),
        rec("flow rate", "0.5600", "m^3/h", "\"raw_value\": 5600, \"exponent\": -4, ",
            "00 56 00 00 35"),
        rec("cumulative flow", "1234.56", "m^3", "\"raw_value\": 123456, \"exponent\": -2, ",
            "56 34 12 00 2C"),
        rec("supply temperature", "65.50", "°C", "\"raw_value\": 6550, \"exponent\": -2, ",
            "50 65 00"),
        rec("return temperature", "45.20", "°C", "\"raw_value\": 4520, \"exponent\": -2, ",
            "20 45 00"),
        rec("working time", "4442400", "s", "\"raw_value\": 4442400, \"exponent\": 0, ",
            "34 12 00"),
        rec("real time", "\"2026-12-09 10:30:00\"", "", "", "00 30 10 09 12 26 20"),
        rec("valve", "\"open\"", "", "", "04 00"),
        rec("battery", "\"low\"", "", "", "04 00"),
    };
    QCOMPARE(DecodedReplyJson(Cj188DecodeReply(kHeatMeterReply)),
             QStringLiteral(R"j({"protocol": "cj188", "checked": true, "header": {"type": "20", )j"
                            R"j("address": "0012345678", "maker": "3378", )j"
                            R"j("full_address": "78330012345678"}, "records": [)j") +
                 records.join(QStringLiteral(", ")) +
                 QStringLiteral(R"j(], "more_records": false})j"));
}

void TestCj188Decoder::shouldReadEveryUnitCode_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("field"); // 0 heat, 2 power, 3 flow, 4 volume in the heat layout
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("shown");

    // Every reading field below holds the BCD digits 00 01 23 45 (123.45, or 1.2345 for flow).
    const struct
    {
        int code, field;
        const char *json, *shown;
    } rows[] = {
        {0x02, 0, "123.45 Wh", "123.45 Wh"},
        {0x05, 0, "123450 Wh", "123.45 kWh"},
        {0x08, 0, "123450000 Wh", "123.45 MWh"},
        {0x0A, 0, "12345000000 Wh", "123.45 MWh×100"},
        {0x01, 0, "123.45 J", "123.45 J"},
        {0x0B, 0, "123450 J", "123.45 kJ"},
        {0x0E, 0, "123450000 J", "123.45 MJ"},
        {0x11, 0, "123450000000 J", "123.45 GJ"},
        {0x13, 0, "12345000000000 J", "123.45 GJ×100"},
        {0x14, 2, "123.45 W", "123.45 W"},
        {0x17, 2, "123450 W", "123.45 kW"},
        {0x1A, 2, "123450000 W", "123.45 MW"},
        {0x32, 3, "0.0012345 m^3/h", "1.2345 L/h"},
        {0x35, 3, "1.2345 m^3/h", "1.2345 m³/h"},
        {0x29, 4, "0.12345 m^3", "123.45 L"},
        {0x2C, 4, "123.45 m^3", "123.45 m³"},
    };
    for (const auto &r : rows)
        QTest::addRow("code %02X", r.code)
            << r.code << r.field << QString::fromUtf8(r.json) << QString::fromUtf8(r.shown);
    QTest::newRow("volume code on a heat field") << 0x2C << 0 << " "
                                                 << "";
    QTest::newRow("unknown code") << 0x03 << 0 << " "
                                  << "";
}

void TestCj188Decoder::shouldReadEveryUnitCode()
{
    QFETCH(int, code);
    QFETCH(int, field);
    QFETCH(QString, json);
    QFETCH(QString, shown);

    // The heat layout with every reading's unit code valid, then `code` put into `field`.
    QByteArray readings;
    const int units[] = {0x05, 0x05, 0x17, 0x35, 0x2C};
    for (int i = 0; i < 5; ++i)
        readings += Bytes({0x45, 0x23, 0x01, 0x00, i == field ? code : units[i]});
    const QByteArray rest = kHeatMeterReply.mid(39, 18);
    const DecodedReply reply = Cj188DecodeReply(Reply(0x20, 0x81, kReadDataDi + readings + rest));
    const DecodedRecord &r = reply.records.at(field);
    const QString value =
        std::holds_alternative<Decimal>(r.value) ? DecimalText(std::get<Decimal>(r.value)) : "";
    QCOMPARE(value + QLatin1Char(' ') + r.unit, json);
    QCOMPARE(r.shown, shown);
    QCOMPARE(r.error.isEmpty(), !shown.isEmpty());
}

void TestCj188Decoder::shouldHandOnTheRecognizedFrame()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    Cj188ReadData(state, {0x10, Cj188AddressBytes(QStringLiteral("12345678")), {0x33, 0x78}});
    state.ReceiveNotification(kSimWaterReply.left(20));
    state.ReceiveNotification(kSimWaterReply.mid(20));
    QCOMPARE(view.checkedReplies, 1);
    QCOMPARE(view.checkedFrame, kSimWaterReply.mid(2)); // without the wake-up bytes
}

QTEST_GUILESS_MAIN(TestCj188Decoder)
#include "tst_cj188decoder.moc"
