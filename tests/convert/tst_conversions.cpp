#include "conversions.h"

#include <QtTest>

class TestConversions : public QObject
{
    Q_OBJECT
private slots:
    void shouldPadTextOnTheChosenSide_data();
    void shouldPadTextOnTheChosenSide();
    void shouldWriteAByteAsTwoHexDigits_data();
    void shouldWriteAByteAsTwoHexDigits();
    void shouldReadTheLeadingHexPair_data();
    void shouldReadTheLeadingHexPair();
    void shouldPackADecimalPairIntoAByte_data();
    void shouldPackADecimalPairIntoAByte();
    void shouldReadBackTheTrafficTextItWrites();
    void shouldReadBytesFromTrafficText_data();
    void shouldReadBytesFromTrafficText();
    void shouldKeepOnlyTheDigitsAFilterAccepts_data();
    void shouldKeepOnlyTheDigitsAFilterAccepts();
    void shouldReadTheLeadingNumber_data();
    void shouldReadTheLeadingNumber();
};

void TestConversions::shouldPadTextOnTheChosenSide_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("expected");
    QTest::newRow("longer text is never shortened") << "ABC" << 2 << "L" << "ABC";
    QTest::newRow("exact width unchanged") << "12" << 2 << "L" << "12";
    QTest::newRow("left pad") << "7" << 3 << "L" << "007";
    QTest::newRow("lower-case l pads right") << "7" << 3 << "l" << "700";
    QTest::newRow("any other side pads right") << "7" << 3 << "R" << "700";
    QTest::newRow("empty text") << "" << 10 << "L" << "0000000000";
    QTest::newRow("address") << "12345678" << 10 << "L" << "0012345678";
}

void TestConversions::shouldPadTextOnTheChosenSide()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, side);
    QFETCH(QString, expected);
    QCOMPARE(PadText(text, width, side), expected);
}

void TestConversions::shouldWriteAByteAsTwoHexDigits_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0 << "00";
    QTest::newRow("ten") << 10 << "0A";
    QTest::newRow("end byte") << 0x16 << "16";
    QTest::newRow("REQ_UD2") << 0x5B << "5B";
    QTest::newRow("max") << 255 << "FF";
}

void TestConversions::shouldWriteAByteAsTwoHexDigits()
{
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(HexPairText(std::uint8_t(value)), expected);
}

void TestConversions::shouldReadTheLeadingHexPair_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("0D") << "0D" << 13;
    QTest::newRow("FF") << "FF" << 255;
    QTest::newRow("lower case") << "fe" << 254;
    QTest::newRow("single digit") << "F" << 15;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("non-digit ends the number") << "1G" << 1;
    QTest::newRow("leading non-digit") << "G1" << 0;
    QTest::newRow("only two characters read") << "123" << 0x12;
}

void TestConversions::shouldReadTheLeadingHexPair()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(HexPairValue(text), expected);
}

void TestConversions::shouldPackADecimalPairIntoAByte_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("expected");
    QTest::newRow("12 -> 0x12") << "12" << true << 0x12;
    QTest::newRow("09") << "09" << true << 0x09;
    QTest::newRow("99") << "99" << true << 0x99;
    QTest::newRow("00") << "00" << true << 0;
    QTest::newRow("10") << "10" << true << 0x10;
    QTest::newRow("one character gives 0") << "7" << true << 0;
    QTest::newRow("three characters give 0") << "123" << true << 0;
    QTest::newRow("empty gives 0") << "" << true << 0;
    QTest::newRow("letter second: arithmetic") << "1A" << true << 0x21;
    QTest::newRow("lower letter second") << "9z" << true << 9 * 16 + ('z' - 48);
    QTest::newRow("overflow above 255") << "F0" << false << 0;
    QTest::newRow("letter first fails") << "A1" << false << 0;
    QTest::newRow("space first fails") << " 1" << false << 0;
    QTest::newRow("space second fails") << "1 " << false << 0;
    QTest::newRow("minus fails") << "-1" << false << 0;
    QTest::newRow("colon first fails") << ":1" << false << 0;
    QTest::newRow("Chinese first fails") << "水1" << false << 0;
    QTest::newRow("Chinese second fails") << "1水" << false << 0;
    QTest::newRow("full-width digit fails") << "1\uFF11" << false << 0;
}

void TestConversions::shouldPackADecimalPairIntoAByte()
{
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(int, expected);
    const auto value = PairToByte(text);
    QCOMPARE(value.has_value(), converts);
    if (converts)
        QCOMPARE(int(*value), expected);
}

void TestConversions::shouldReadBackTheTrafficTextItWrites()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = HexTrafficText(all);
    QCOMPARE(text.size(), 256 * 3);
    QVERIFY(text.startsWith(QLatin1String("00 01 02 ")));
    QVERIFY(text.endsWith(QLatin1String("FE FF ")));
    for (int i = 0; i < 256; ++i)
        QCOMPARE(text.mid(i * 3, 2), HexPairText(std::uint8_t(i)));
    QCOMPARE(HexTextBytes(text), all);
    QCOMPARE(HexTrafficText(QByteArray::fromHex("6810AA")), QStringLiteral("68 10 AA "));
}

void TestConversions::shouldReadBytesFromTrafficText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("leading space") << " 10 5B 01 5C 16 " << QByteArray::fromHex("105B015C16");
    QTest::newRow("lower case") << "fe fe" << QByteArray::fromHex("FEFE");
    QTest::newRow("odd digit dropped") << "68 1" << QByteArray::fromHex("68");
    QTest::newRow("stops at a non-hex character") << "68 10 X1 22" << QByteArray::fromHex("6810");
    QTest::newRow("empty") << "" << QByteArray();
}

void TestConversions::shouldReadBytesFromTrafficText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(HexTextBytes(text), expected);
}

void TestConversions::shouldKeepOnlyTheDigitsAFilterAccepts_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("hexDigits");
    QTest::addColumn<bool>("allDigits");
    QTest::newRow("digits pass both") << "0123456789" << "0123456789" << "0123456789" << true;
    QTest::newRow("letters") << "12a" << "12" << "12a" << false;
    QTest::newRow("hex case kept") << "fE" << "" << "fE" << false;
    QTest::newRow("beyond F") << "G1g" << "1" << "1" << false;
    QTest::newRow("space, sign, point") << " -1.5+" << "15" << "15" << false;
    QTest::newRow("full-width digit") << "\uFF11" << "" << "" << false;
    QTest::newRow("Arabic-Indic digit") << "1\u0663" << "1" << "1" << false;
    QTest::newRow("Chinese") << "水1表" << "1" << "1" << false;
    QTest::newRow("empty") << "" << "" << "" << false;
}

void TestConversions::shouldKeepOnlyTheDigitsAFilterAccepts()
{
    QFETCH(QString, typed);
    QFETCH(QString, digits);
    QFETCH(QString, hexDigits);
    QFETCH(bool, allDigits);
    QCOMPARE(KeepDigits(typed), digits);
    QCOMPARE(KeepHexDigits(typed), hexDigits);
    QCOMPARE(IsDecimalDigits(typed), allDigits);
}

void TestConversions::shouldReadTheLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("port 1") << "1" << 1;
    QTest::newRow("port 12") << "12" << 12;
    QTest::newRow("busy suffix") << "3 " << 3;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("leading spaces") << "  5" << 5;
    QTest::newRow("not a number") << "XY" << 0;
    QTest::newRow("digits then letters") << "15s" << 15;
    QTest::newRow("saturates") << "99999999999" << INT_MAX;
}

void TestConversions::shouldReadTheLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(LeadingNumber(text), expected);
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
