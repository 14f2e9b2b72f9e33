#include "metercodec.h"
#include "meterframereader.h"
#include "metersimulator.h"
#include "meterrequests.h"

#include <QtEndian>
#include <QtTest>

#include <optional>

namespace {

int U8(const QByteArray &bytes, qsizetype i)
{
    return std::uint8_t(bytes.at(i));
}

const QDateTime kNow(QDate(2024, 3, 15), QTime(13, 45, 30));

const QByteArray kReqUd2ToFe = Hex("10"
                                   "7B" // C: REQ_UD2, FCV 1, FCB 1
                                   "FE" // A: point to point
                                   "79" // CS
                                   "16");
const QByteArray kReqUd2To5 = Hex("10 5B 05 60 16");
MeterSimulator Simulator(const MeterCj188Config &cj188 = {}, const MeterMbusConfig &mbus = {},
                         const MeterFaults &faults = {})
{
    MeterSimulator meter(cj188, mbus, faults);
    meter.setClock([] { return kNow; });
    return meter;
}

MeterCj188Config Cj188Type(std::uint8_t type)
{
    MeterCj188Config config;
    config.type = type;
    return config;
}

// Everything the meter sends back for `bytes`, replies in order.
QByteArray Replies(MeterSimulator &meter, const QByteArray &bytes)
{
    QByteArray out;
    for (const MeterExchange &exchange : meter.feed(bytes))
        out += exchange.reply;
    return out;
}

QByteArray Answer(const QByteArray &request, const MeterCj188Config &cj188 = {},
                  const MeterMbusConfig &mbus = {})
{
    MeterSimulator meter = Simulator(cj188, mbus);
    return Replies(meter, request);
}

bool IsBcd(QByteArrayView bytes)
{
    for (const char b : bytes)
        if ((std::uint8_t(b) >> 4) > 9 || (b & 0x0F) > 9)
            return false;
    return true;
}

// Little-endian packed BCD to its number.
std::uint64_t BcdValue(QByteArrayView bytes)
{
    std::uint64_t value = 0;
    for (qsizetype i = bytes.size() - 1; i >= 0; --i)
        value = value * 100 + (std::uint8_t(bytes[i]) >> 4) * 10 + (bytes[i] & 0x0F);
    return value;
}

// One EN 13757-3 data record as a decoder sees it.
struct MbusRecord
{
    std::uint8_t dif = 0;
    QByteArray dife;
    std::uint8_t vif = 0;
    QByteArray vife;
    QByteArray data;
};

// Walks the data records of a variable data structure the way a decoder does: DIF, DIFE chain,
// VIF, VIFE chain, then as many data bytes as the DIF's data field coding asks for. Nothing
// when a record runs past the end or uses a coding this walker does not know.
std::optional<QList<MbusRecord>> WalkRecords(QByteArrayView bytes)
{
    // Data length by the low nibble of the DIF (EN 13757-3 table 4); -1: not handled here.
    static constexpr int kLength[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};
    QList<MbusRecord> records;
    qsizetype i = 0;
    const auto next = [&](std::uint8_t &out) {
        if (i >= bytes.size())
            return false;
        out = std::uint8_t(bytes[i++]);
        return true;
    };
    while (i < bytes.size()) {
        MbusRecord r;
        next(r.dif);
        if (r.dif == 0x2F) // idle filler
            continue;
        std::uint8_t ext = r.dif;
        while (ext & 0x80) {
            if (!next(ext) || r.dife.size() == 10)
                return std::nullopt;
            r.dife.append(char(ext));
        }
        if (!next(r.vif) || (r.vif & 0x7F) == 0x7C) // plain-text units are not used
            return std::nullopt;
        ext = r.vif;
        while (ext & 0x80) {
            if (!next(ext) || r.vife.size() == 10)
                return std::nullopt;
            r.vife.append(char(ext));
        }
        const int length = kLength[r.dif & 0x0F];
        if (length < 0 || i + length > bytes.size())
            return std::nullopt;
        r.data = bytes.sliced(i, length).toByteArray();
        i += length;
        records.append(r);
    }
    return records;
}

} // namespace

class TestMeterSimCore : public QObject
{
    Q_OBJECT
private slots:
    void shouldAnswerCj188Requests_data();
    void shouldAnswerCj188Requests();
    void shouldFillTheCj188ReadingsOfItsType_data();
    void shouldFillTheCj188ReadingsOfItsType();
    void shouldMoveTheCj188ReadingsOnWithEveryRead();
    void shouldKeepQuietOnCj188FramesNotForIt_data();
    void shouldKeepQuietOnCj188FramesNotForIt();
    void shouldBuildTheCj188AddressFieldFromItsDigits_data();
    void shouldBuildTheCj188AddressFieldFromItsDigits();

    void shouldAnswerReqUd2WithItsRecords_data();
    void shouldAnswerReqUd2WithItsRecords();
    void shouldCountMbusRepliesInTheAccessNumber();
    void shouldAcknowledgeMbusCommandsWithE5_data();
    void shouldAcknowledgeMbusCommandsWithE5();
    void shouldTakeANewPrimaryAddress_data();
    void shouldTakeANewPrimaryAddress();
    void shouldRefuseAnAddressChangeItCannotTake_data();
    void shouldRefuseAnAddressChangeItCannotTake();
    void shouldKeepQuietOnMbusFramesNotForIt_data();
    void shouldKeepQuietOnMbusFramesNotForIt();

    void shouldTakeRequestsInAnyPieces_data();
    void shouldTakeRequestsInAnyPieces();
    void shouldAccountForEveryByteItDrops();
    void shouldSpoilRepliesAsItsFaultsSay_data();
    void shouldSpoilRepliesAsItsFaultsSay();
    void shouldStillActOnRequestsWhenSilent();
};

void TestMeterSimCore::shouldAnswerCj188Requests_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("control");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("diSer");

    QTest::newRow("water meter, read data")
        << 0x10 << kCj188ReadData << 0x81 << 0x16 << Hex("1F 90 01");
    QTest::newRow("heat meter, read data")
        << 0x20 << Hex("FE FE FE 68 20 78 56 34 12 00 33 78 01 03 1F 90 01 FB 16") << 0x81 << 0x2E
        << Hex("1F 90 01");
    QTest::newRow("type 25 answers as a heat meter of type 25")
        << 0x25 << Hex("FE FE FE 68 25 78 56 34 12 00 33 78 01 03 1F 90 01 00 16") << 0x81 << 0x2E
        << Hex("1F 90 01");
    QTest::newRow("asked with another type, answers with its own")
        << 0x10 << Hex("FE FE FE 68 20 78 56 34 12 00 33 78 01 03 1F 90 01 FB 16") << 0x81 << 0x16
        << Hex("1F 90 01");
    QTest::newRow("SER is echoed") << 0x10
                                   << Hex("68 10 78 56 34 12 00 33 78 01 03 1F 90"
                                          "7F" // SER
                                          "69 16")
                                   << 0x81 << 0x16 << Hex("1F 90 7F");
    QTest::newRow("read address, wildcard")
        << 0x10 << kCj188ReadAddress << 0x83 << 0x03 << Hex("0A 81 01");
    QTest::newRow("read address, own address, SER 02")
        << 0x10 << Hex("68 10 78 56 34 12 00 33 78 03 03 0A 81 02 CA 16") << 0x83 << 0x03
        << Hex("0A 81 02");
}

void TestMeterSimCore::shouldAnswerCj188Requests()
{
    QFETCH(int, type);
    QFETCH(QByteArray, request);
    QFETCH(int, control);
    QFETCH(int, length);
    QFETCH(QByteArray, diSer);

    const QByteArray reply = Answer(request, Cj188Type(std::uint8_t(type)));
    QCOMPARE(reply.size(), length + 13);
    QCOMPARE(U8(reply, 0), 0x68);
    QCOMPARE(U8(reply, 1), type);
    QCOMPARE(reply.mid(2, 7), Hex("78 56 34 12 00 33 78"));
    QCOMPARE(U8(reply, 9), control);
    QCOMPARE(U8(reply, 10), length);
    QCOMPARE(reply.mid(11, 3), diSer);
    QCOMPARE(U8(reply, 11 + length), ByteSum(reply.first(11 + length)));
    QCOMPARE(U8(reply, 12 + length), 0x16);
}

void TestMeterSimCore::shouldFillTheCj188ReadingsOfItsType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("unitOffsets"); // into the readings after DI0 DI1 SER
    QTest::addColumn<QByteArray>("units");
    QTest::addColumn<int>("timeOffset");

    QTest::newRow("water: flow, flow on settlement date")
        << 0x10 << QList<int>{4, 9} << Hex("2C 2C") << 10;
    QTest::newRow("heat: heats, power, flow, cumulative flow")
        << 0x20 << QList<int>{4, 9, 14, 19, 24}
        << Hex("05"  // settlement-date heat, kWh
               "05"  // current heat, kWh
               "17"  // heat power, kW
               "35"  // flow, m3/h
               "2C") // cumulative flow, m3
        << 34;
}

void TestMeterSimCore::shouldFillTheCj188ReadingsOfItsType()
{
    QFETCH(int, type);
    QFETCH(QList<int>, unitOffsets);
    QFETCH(QByteArray, units);
    QFETCH(int, timeOffset);

    MeterCj188Config config = Cj188Type(std::uint8_t(type));
    const QByteArray request =
        type == 0x10 ? kCj188ReadData : Hex("68 20 78 56 34 12 00 33 78 01 03 1F 90 01 FB 16");
    const QByteArray reply = Answer(request, config);
    const QByteArray readings = reply.sliced(14, reply.size() - 16);

    QByteArray unitBytes;
    QByteArray numbers = readings;
    for (qsizetype k = unitOffsets.size() - 1; k >= 0; --k) {
        unitBytes.prepend(readings.at(unitOffsets[k]));
        numbers.remove(unitOffsets[k], 1);
    }
    QCOMPARE(unitBytes, units);
    QVERIFY2(IsBcd(numbers), numbers.toHex(' ').constData());
    // 2024-03-15 13:45:30 as ss mm hh DD MM YY YY, least significant first.
    QCOMPARE(readings.mid(timeOffset, 7), Hex("30 45 13 15 03 24 20"));
    QCOMPARE(readings.mid(timeOffset + 7), Hex("00 00")); // status: all well
}

void TestMeterSimCore::shouldMoveTheCj188ReadingsOnWithEveryRead()
{
    MeterSimulator meter = Simulator();
    const QByteArray first = Replies(meter, kCj188ReadData);
    const QByteArray second = Replies(meter, kCj188ReadData);
    QCOMPARE(first.size(), second.size());
    const std::uint64_t before = BcdValue(QByteArrayView(first).sliced(14, 4));
    const std::uint64_t after = BcdValue(QByteArrayView(second).sliced(14, 4));
    QVERIFY2(after > before && after - before < 100, // less than 1 m3 per read
             qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
    // The settlement-date reading stays where it was.
    QCOMPARE(first.mid(19, 5), second.mid(19, 5));
}

void TestMeterSimCore::shouldKeepQuietOnCj188FramesNotForIt_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("other address, same checksum")
        << Hex("68 10 12 34 56 78 00 33 78 01 03 1F 90 01 EB 16");
    QTest::newRow("other maker code") << Hex("68 10 78 56 34 12 00 33 79 01 03 1F 90 01 EC 16");
    QTest::newRow("wrong checksum") << Hex("FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01"
                                           "EA" // should be EB
                                           "16");
    QTest::newRow("stop byte not 16") << Hex("68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EB 17");
    QTest::newRow("read data to the wildcard address")
        << Hex("68 10 AA AA AA AA AA AA AA 01 03 1F 90 01 D2 16");
    QTest::newRow("unknown data identifier")
        << Hex("68 10 78 56 34 12 00 33 78 01 03 1F 91 01 EC 16");
    QTest::newRow("read-address identifier with read-data control")
        << Hex("68 10 78 56 34 12 00 33 78 01 03 0A 81 01 C6 16");
    QTest::newRow("a reply from another meter (C 81)")
        << Hex("68 10 78 56 34 12 00 33 78 81 03 1F 90 01 6B 16");
    QTest::newRow("longer request data")
        << Hex("68 10 78 56 34 12 00 33 78 01 04 1F 90 01 00 EC 16");
    QTest::newRow("truncated") << kCj188ReadData.first(kCj188ReadData.size() - 1);
}

void TestMeterSimCore::shouldKeepQuietOnCj188FramesNotForIt()
{
    QFETCH(QByteArray, request);
    QCOMPARE(Answer(request).toHex(' '), QByteArray());
}

void TestMeterSimCore::shouldBuildTheCj188AddressFieldFromItsDigits_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("maker");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("default meter") << "0012345678"
                                   << "3378" << Hex("78 56 34 12 00 33 78");
    QTest::newRow("short address padded") << "12345678"
                                          << "3378" << Hex("78 56 34 12 00 33 78");
    QTest::newRow("address 1, empty maker") << "1"
                                            << "" << Hex("01 00 00 00 00 00 00");
    QTest::newRow("all nines") << "9999999999"
                               << "9999" << Hex("99 99 99 99 99 99 99");
    QTest::newRow("address too long") << "12345678901"
                                      << "3378" << QByteArray();
    QTest::newRow("maker too long") << "1"
                                    << "33780" << QByteArray();
    QTest::newRow("letter in address") << "12A4"
                                       << "3378" << QByteArray();
    QTest::newRow("sign in maker") << "1"
                                   << "+337" << QByteArray();
}

void TestMeterSimCore::shouldBuildTheCj188AddressFieldFromItsDigits()
{
    QFETCH(QString, address);
    QFETCH(QString, maker);
    QFETCH(QByteArray, field);
    QCOMPARE(Cj188AddressField(address, maker), field);
}

void TestMeterSimCore::shouldAnswerReqUd2WithItsRecords_data()
{
    QTest::addColumn<int>("primaryAddress");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("REQ_UD2 to 0, FCB clear") << 0 << kReqUd2To0;
    QTest::newRow("REQ_UD2 to FE, FCB set") << 0 << kReqUd2ToFe;
    QTest::newRow("REQ_UD2 to FE, meter at 5") << 5 << kReqUd2ToFe;
    QTest::newRow("REQ_UD2 to 5, meter at 5") << 5 << kReqUd2To5;
    QTest::newRow("REQ_UD2 to 250") << 250 << Hex("10 5B FA 55 16");
}

void TestMeterSimCore::shouldAnswerReqUd2WithItsRecords()
{
    QFETCH(int, primaryAddress);
    QFETCH(QByteArray, request);

    MeterMbusConfig config;
    config.primaryAddress = std::uint8_t(primaryAddress);
    const QByteArray reply = Answer(request, {}, config);

    // Long frame: 68 L L 68 C A CI ... CS 16.
    QVERIFY(reply.size() > 9);
    const int length = U8(reply, 1);
    QCOMPARE(reply.size(), length + 6);
    QCOMPARE(U8(reply, 0), 0x68);
    QCOMPARE(U8(reply, 2), length);
    QCOMPARE(U8(reply, 3), 0x68);
    QCOMPARE(U8(reply, 4 + length), ByteSum(reply.sliced(4, length)));
    QCOMPARE(U8(reply, 5 + length), 0x16);
    QCOMPARE(U8(reply, 4), 0x08);           // C: RSP_UD
    QCOMPARE(U8(reply, 5), primaryAddress); // A: its own, also when asked through FE
    QCOMPARE(U8(reply, 6), 0x72);           // CI: variable data, long header

    // Fixed header.
    QCOMPARE(reply.mid(7, 4), Hex("78 56 34 12")); // identification number 12345678
    const int manufacturer = U8(reply, 11) | U8(reply, 12) << 8;
    for (int shift : {10, 5, 0}) {
        const int letter = (manufacturer >> shift) & 0x1F;
        QVERIFY2(letter >= 1 && letter <= 26, "manufacturer is not three letters A-Z");
    }
    QVERIFY(!(manufacturer & 0x8000));
    QCOMPARE(U8(reply, 14), 0x04);            // medium: heat
    QCOMPARE(U8(reply, 16), 0x00);            // status
    QCOMPARE(reply.mid(17, 2), Hex("00 00")); // signature

    const auto records = WalkRecords(QByteArrayView(reply).sliced(19, length - 15));
    QVERIFY2(records, "the records do not walk to the checksum");
    QSet<QString> found;
    for (const MbusRecord &r : *records) {
        const int coding = r.dif & 0x0F;
        if ((coding >= 0x9 && coding <= 0xC) || coding == 0xE)
            QVERIFY2(IsBcd(r.data), r.data.toHex(' ').constData());
        if (r.dif & 0x40 || !r.dife.isEmpty())
            continue; // stored or tariff values
        const int vif = r.vif & 0x7F;
        if (vif <= 0x07)
            found << "energy";
        else if (vif >= 0x10 && vif <= 0x17)
            found << "volume";
        else if (vif >= 0x28 && vif <= 0x2F)
            found << "power";
        else if (vif >= 0x38 && vif <= 0x3F)
            found << "volume flow";
        else if (vif >= 0x58 && vif <= 0x5B)
            found << "flow temperature";
        else if (vif >= 0x5C && vif <= 0x5F)
            found << "return temperature";
        else if (vif == 0x6D && coding == 0x4) {
            found << "date and time";
            // Type F: minute, hour, day + year bits 0-2, month + year bits 3-6.
            const QByteArray &f = r.data;
            QCOMPARE(U8(f, 0) & 0x80, 0); // valid
            QCOMPARE(U8(f, 0) & 0x3F, 45);
            QCOMPARE(U8(f, 1) & 0x1F, 13);
            QCOMPARE(U8(f, 2) & 0x1F, 15);
            QCOMPARE(U8(f, 3) & 0x0F, 3);
            QCOMPARE((U8(f, 2) >> 5) | (U8(f, 3) >> 4) << 3, 24);
        }
    }
    const QSet<QString> expected{"energy",       "volume",           "power",
                                 "volume flow",  "flow temperature", "return temperature",
                                 "date and time"};
    QCOMPARE(found, expected);
}

void TestMeterSimCore::shouldCountMbusRepliesInTheAccessNumber()
{
    MeterSimulator meter = Simulator();
    const QByteArray first = Replies(meter, kReqUd2To0);
    const QByteArray second = Replies(meter, kReqUd2ToFe);
    QCOMPARE(U8(second, 15), (U8(first, 15) + 1) & 0xFF);
    // Energy, the first record (DIF 04 VIF 06), does not run backwards.
    QCOMPARE(first.mid(19, 2), Hex("04 06"));
    const auto energy = [](const QByteArray &frame) {
        return qFromLittleEndian<qint32>(frame.constData() + 21);
    };
    QVERIFY(energy(second) >= energy(first));
}

void TestMeterSimCore::shouldAcknowledgeMbusCommandsWithE5_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("SND_NKE to 0") << Hex("10" // short frame
                                         "40" // C: SND_NKE
                                         "00" // A
                                         "40" // CS
                                         "16");
    QTest::newRow("SND_NKE to FE") << Hex("10 40 FE 3E 16");
    QTest::newRow("set address to 5 through FE") << kSetAddress5;
}

void TestMeterSimCore::shouldAcknowledgeMbusCommandsWithE5()
{
    QFETCH(QByteArray, request);
    QCOMPARE(Answer(request).toHex(' '), QByteArray("e5"));
}

void TestMeterSimCore::shouldTakeANewPrimaryAddress_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("newAddress");
    QTest::addColumn<QByteArray>("readAtNew");

    QTest::newRow("to 5 through FE") << kSetAddress5 << 5 << kReqUd2To5;
    QTest::newRow("to 16 through its own address, FCB set") << Hex("68 06 06 68"
                                                                   "73" // C: SND_UD, FCB set
                                                                   "00" // A: its own
                                                                   "51 01 7A"
                                                                   "10" // new address
                                                                   "4F 16")
                                                            << 0x10 << Hex("10 5B 10 6B 16");
}

void TestMeterSimCore::shouldTakeANewPrimaryAddress()
{
    QFETCH(QByteArray, request);
    QFETCH(int, newAddress);
    QFETCH(QByteArray, readAtNew);

    MeterSimulator meter = Simulator();
    QCOMPARE(Replies(meter, request), Hex("E5"));
    QCOMPARE(meter.mbus().primaryAddress(), newAddress);

    const QByteArray reply = Replies(meter, readAtNew);
    QVERIFY(reply.size() > 6);
    QCOMPARE(U8(reply, 5), newAddress);
    QVERIFY(Replies(meter, kReqUd2To0).isEmpty());
    QCOMPARE(Replies(meter, Hex("10 40 00 40 16")), QByteArray()); // SND_NKE to the old address
    QCOMPARE(U8(Replies(meter, kReqUd2ToFe), 5), newAddress);
}

void TestMeterSimCore::shouldRefuseAnAddressChangeItCannotTake_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("address above 250") << Hex("68 06 06 68 53 FE 51 01 7A"
                                              "FB" // 251
                                              "18 16");
    QTest::newRow("to another meter") << Hex("68 06 06 68 53"
                                             "03" // A
                                             "51 01 7A 05 27 16");
    QTest::newRow("broadcast") << Hex("68 06 06 68 53 FF 51 01 7A 05 23 16");
    QTest::newRow("wrong checksum") << Hex("68 06 06 68 53 FE 51 01 7A 05"
                                           "23" // should be 22
                                           "16");
    QTest::newRow("other VIF") << Hex("68 06 06 68 53 FE 51 01"
                                      "79" // VIF: enhanced identification
                                      "05 21 16");
    QTest::newRow("L fields differ") << Hex("68 06 07 68 53 FE 51 01 7A 05 22 16");
}

void TestMeterSimCore::shouldRefuseAnAddressChangeItCannotTake()
{
    QFETCH(QByteArray, request);

    MeterSimulator meter = Simulator();
    QCOMPARE(Replies(meter, request).toHex(' '), QByteArray());
    QCOMPARE(meter.mbus().primaryAddress(), 0);
    QVERIFY(!Replies(meter, kReqUd2To0).isEmpty());
}

void TestMeterSimCore::shouldKeepQuietOnMbusFramesNotForIt_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("REQ_UD2 to another address") << Hex("10 5B 01 5C 16");
    QTest::newRow("REQ_UD2 broadcast") << Hex("10 5B FF 5A 16");
    QTest::newRow("REQ_UD2 wrong checksum") << Hex("10 5B 00 5C 16");
    QTest::newRow("REQ_UD2 wrong stop byte") << Hex("10 5B 00 5B 17");
    QTest::newRow("REQ_UD1") << Hex("10 5A 00 5A 16");
    QTest::newRow("SND_NKE to another address") << Hex("10 40 01 41 16");
    QTest::newRow("single character E5") << Hex("E5");
    QTest::newRow("RSP_UD of another meter") << Hex("68 03 03 68 08 01 72 7B 16");
}

void TestMeterSimCore::shouldKeepQuietOnMbusFramesNotForIt()
{
    QFETCH(QByteArray, request);
    QCOMPARE(Answer(request).toHex(' '), QByteArray());
}

void TestMeterSimCore::shouldTakeRequestsInAnyPieces_data()
{
    QTest::addColumn<QByteArray>("stream");
    // The requests in the stream, each of which the meter answers the same when it comes alone.
    QTest::addColumn<QList<QByteArray>>("requests");

    QTest::newRow("CJ/T 188 read data") << kCj188ReadData << QList<QByteArray>{kCj188ReadData};
    QTest::newRow("REQ_UD2") << kReqUd2To0 << QList<QByteArray>{kReqUd2To0};
    QTest::newRow("both protocols back to back")
        << kCj188ReadData + kReqUd2To0 + kCj188ReadAddress + kReqUd2ToFe
        << QList<QByteArray>{kCj188ReadData, kReqUd2To0, kCj188ReadAddress, kReqUd2ToFe};
    QTest::newRow("set address, then read at the new one")
        << kSetAddress5 + kReqUd2To5 << QList<QByteArray>{kSetAddress5, kReqUd2To5};
    QTest::newRow("noise before the request")
        << Hex("00 FF 16 E5 AA") + kCj188ReadData << QList<QByteArray>{kCj188ReadData};
    QTest::newRow("stray 68 with a long length before a short frame")
        << Hex("68 FF FF") + kReqUd2To0 << QList<QByteArray>{kReqUd2To0};
    QTest::newRow("stray 68 with a long length before a CJ/T 188 request")
        << Hex("68 20 30 40 50 60 70 80 90 00 FF") + kCj188ReadData
        << QList<QByteArray>{kCj188ReadData};
    QTest::newRow("request with a wrong checksum, then a good one")
        << Hex("FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EA 16") + kCj188ReadData
        << QList<QByteArray>{kCj188ReadData};
    QTest::newRow("truncated long frame, then a short frame")
        << kSetAddress5.first(7) + kReqUd2To0 << QList<QByteArray>{kReqUd2To0};
    QTest::newRow("a reply of another meter between requests")
        << kReqUd2ToFe + Hex("68 10 78 56 34 12 00 33 78 83 03 0A 81 01 49 16") + kReqUd2To0
        << QList<QByteArray>{kReqUd2ToFe, kReqUd2To0};
}

void TestMeterSimCore::shouldTakeRequestsInAnyPieces()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, requests);

    MeterSimulator reference = Simulator();
    QByteArray expected;
    for (const QByteArray &request : requests) {
        const QByteArray reply = Replies(reference, request);
        QVERIFY(!reply.isEmpty());
        expected += reply;
    }

    const auto feedInPieces = [&](const QList<qsizetype> &cuts) {
        MeterSimulator meter = Simulator();
        QByteArray out;
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            out += Replies(meter, stream.sliced(from, cut - from));
            from = cut;
        }
        return out + Replies(meter, stream.sliced(from));
    };

    QCOMPARE(feedInPieces({}), expected);
    QList<qsizetype> everyByte;
    for (qsizetype i = 1; i < stream.size(); ++i)
        everyByte.append(i);
    QCOMPARE(feedInPieces(everyByte), expected);
    for (qsizetype cut = 1; cut < stream.size(); ++cut)
        QVERIFY2(feedInPieces({cut}) == expected, qPrintable(QStringLiteral("cut at %1").arg(cut)));
}

void TestMeterSimCore::shouldAccountForEveryByteItDrops()
{
    MeterFrameReader reader;
    const QByteArray badRequest = Hex("FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EA 16");

    // Wake-up bytes and noise come with the frame they precede.
    QList<MeterFrame> frames = reader.feed(Hex("00 FF") + kCj188ReadData);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0].kind, MeterFrameKind::Cj188);
    QCOMPARE(frames[0].lead, Hex("00 FF FE FE FE"));
    QCOMPARE(frames[0].bytes, kCj188ReadData.sliced(3));
    QCOMPARE(reader.takeSkipped(), QByteArray());

    // A broken request is dropped whole, nothing held back.
    QVERIFY(reader.feed(badRequest).isEmpty());
    QCOMPARE(reader.pending(), QByteArray());
    QCOMPARE(reader.takeSkipped(), badRequest);
    QCOMPARE(reader.takeSkipped(), QByteArray());

    // The beginning of a frame is held back, not dropped.
    QVERIFY(reader.feed(kSetAddress5.first(6)).isEmpty());
    QCOMPARE(reader.pending(), kSetAddress5.first(6));
    frames = reader.feed(kSetAddress5.sliced(6) + kReqUd2To0);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0].kind, MeterFrameKind::MbusLong);
    QCOMPARE(frames[0].bytes, kSetAddress5);
    QCOMPARE(frames[1].kind, MeterFrameKind::MbusShort);
    QCOMPARE(frames[1].bytes, kReqUd2To0);
    QCOMPARE(frames[1].lead, QByteArray());
}

void TestMeterSimCore::shouldSpoilRepliesAsItsFaultsSay_data()
{
    QTest::addColumn<bool>("noise");
    QTest::addColumn<bool>("badChecksum");
    QTest::addColumn<QByteArray>("request");

    const QList<std::pair<const char *, QByteArray>> requests{
        {"CJ/T 188 read data", kCj188ReadData},
        {"CJ/T 188 read address", kCj188ReadAddress},
        {"REQ_UD2", kReqUd2To0},
        {"set address", kSetAddress5},
    };
    for (const auto &[name, request] : requests) {
        QTest::addRow("noise, %s", name) << true << false << request;
        QTest::addRow("bad checksum, %s", name) << false << true << request;
        QTest::addRow("noise and bad checksum, %s", name) << true << true << request;
    }
}

void TestMeterSimCore::shouldSpoilRepliesAsItsFaultsSay()
{
    QFETCH(bool, noise);
    QFETCH(bool, badChecksum);
    QFETCH(QByteArray, request);

    const QByteArray clean = Answer(request);
    MeterFaults faults;
    faults.noise = noise;
    faults.badChecksum = badChecksum;
    MeterSimulator meter = Simulator({}, {}, faults);
    QByteArray reply = Replies(meter, request);

    if (noise) {
        const qsizetype start = reply.size() - clean.size();
        QVERIFY2(start > 0, "no noise before the reply");
        QVERIFY(!reply.first(start).contains('\x68'));
        reply = reply.sliced(start);
    }
    QCOMPARE(reply.size(), clean.size());
    if (clean.size() == 1 || !badChecksum) { // a lone E5 has no checksum to spoil
        QCOMPARE(reply, clean);
        return;
    }
    const qsizetype cs = clean.size() - 2;
    QCOMPARE(reply.first(cs), clean.first(cs));
    QCOMPARE(reply.sliced(cs + 1), clean.sliced(cs + 1));
    QVERIFY(reply.at(cs) != clean.at(cs));
}

void TestMeterSimCore::shouldStillActOnRequestsWhenSilent()
{
    MeterFaults faults;
    faults.silent = true;
    MeterSimulator meter = Simulator({}, {}, faults);
    const QList<MeterExchange> exchanges = meter.feed(kCj188ReadData + kSetAddress5 + kReqUd2To5);
    QCOMPARE(exchanges.size(), 3);
    for (const MeterExchange &exchange : exchanges)
        QCOMPARE(exchange.reply, QByteArray());
    QCOMPARE(meter.mbus().primaryAddress(), 5);
}

QTEST_GUILESS_MAIN(TestMeterSimCore)
#include "tst_metersimcore.moc"
