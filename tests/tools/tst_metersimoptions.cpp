#include "metersimoptions.h"

#include <QtTest>

#include <functional>

// What a command line changes from the defaults.
using Change = std::function<void(MeterSimOptions &)>;
Q_DECLARE_METATYPE(Change)

namespace {

// Every field, so that a comparison shows any that differs.
QString Summary(const MeterSimOptions &o)
{
    return QStringLiteral("help %1, device '%2', baud %3, parity %4, link '%5', cj188 %6 %7, "
                          "mbus %8 %9, noise %10, bad %11, silent %12, split %13, echo %14")
        .arg(o.help)
        .arg(o.device)
        .arg(o.baudRate)
        .arg(int(o.parity))
        .arg(o.link)
        .arg(o.cj188.type, 2, 16)
        .arg(QString::fromLatin1(o.cj188.address.toHex(' ')))
        .arg(o.mbus.primaryAddress)
        .arg(o.mbus.identification)
        .arg(o.faults.noise)
        .arg(o.faults.badChecksum)
        .arg(o.faults.silent)
        .arg(o.pieceSize)
        .arg(o.echo);
}

QStringList CommandLine(const QStringList &arguments)
{
    return QStringList{QStringLiteral("metersim")} + arguments;
}

} // namespace

class TestMeterSimOptions : public QObject
{
    Q_OBJECT
private slots:
    void shouldReadEveryOption_data();
    void shouldReadEveryOption();
    void shouldRefuseBadValuesNamingTheOption_data();
    void shouldRefuseBadValuesNamingTheOption();
};

void TestMeterSimOptions::shouldReadEveryOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Change>("change");

    QTest::newRow("defaults") << QStringList() << Change([](MeterSimOptions &) {});
    QTest::newRow("help") << QStringList{"--help"}
                          << Change([](MeterSimOptions &o) { o.help = true; });
    QTest::newRow("device, baud, lower-case parity, link")
        << QStringList{"--device", "/dev/ttyUSB0", "--baud",    "9600", "--parity",
                       "o",        "--link",       "/tmp/meter"}
        << Change([](MeterSimOptions &o) {
               o.device = "/dev/ttyUSB0";
               o.baudRate = 9600;
               o.parity = QSerialPort::OddParity;
               o.link = "/tmp/meter";
           });
    QTest::newRow("CJ/T 188 heat meter, short address and maker padded")
        << QStringList{"--cj188-type", "29", "--cj188-address", "1", "--cj188-maker", "12"}
        << Change([](MeterSimOptions &o) {
               o.cj188.type = 0x29;
               o.cj188.address = QByteArray::fromHex("01 00 00 00 00" // address, low byte first
                                                     "00 12");        // maker
           });
    QTest::newRow("maker alone keeps the default address")
        << QStringList{"--cj188-maker", "0000"} << Change([](MeterSimOptions &o) {
               o.cj188.address = QByteArray::fromHex("78 56 34 12 00 00 00");
           });
    QTest::newRow("M-Bus last primary address and identification")
        << QStringList{"--mbus-address", "250", "--mbus-id", "00000042"}
        << Change([](MeterSimOptions &o) {
               o.mbus.primaryAddress = 250;
               o.mbus.identification = 42;
           });
    QTest::newRow("faults, pieces and echo")
        << QStringList{"--noise", "--bad-checksum", "--silent", "--split", "1", "--echo"}
        << Change([](MeterSimOptions &o) {
               o.faults = {true, true, true};
               o.pieceSize = 1;
               o.echo = true;
           });
}

void TestMeterSimOptions::shouldReadEveryOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(Change, change);
    MeterSimOptions expected;
    change(expected);

    MeterSimOptions options;
    QString error;
    QVERIFY2(ParseMeterSimOptions(CommandLine(arguments), options, &error), qPrintable(error));
    QCOMPARE(Summary(options), Summary(expected));
}

void TestMeterSimOptions::shouldRefuseBadValuesNamingTheOption_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");

    QTest::newRow("baud 0") << QStringList{"--baud", "0"} << "invalid value for --baud: 0";
    QTest::newRow("parity word") << QStringList{"--parity", "even"}
                                 << "invalid value for --parity: even";
    QTest::newRow("gas meter type")
        << QStringList{"--cj188-type", "30"} << "invalid value for --cj188-type: 30";
    QTest::newRow("type not hexadecimal")
        << QStringList{"--cj188-type", "1G"} << "invalid value for --cj188-type: 1G";
    QTest::newRow("type of one digit")
        << QStringList{"--cj188-type", "1"} << "invalid value for --cj188-type: 1";
    QTest::newRow("eleven-digit address") << QStringList{"--cj188-address", "12345678901"}
                                          << "invalid value for --cj188-address: 12345678901";
    QTest::newRow("letter in maker code")
        << QStringList{"--cj188-maker", "33A8"} << "invalid value for --cj188-maker: 33A8";
    QTest::newRow("primary address 251")
        << QStringList{"--mbus-address", "251"} << "invalid value for --mbus-address: 251";
    QTest::newRow("nine-digit identification")
        << QStringList{"--mbus-id", "123456789"} << "invalid value for --mbus-id: 123456789";
    QTest::newRow("split 0") << QStringList{"--split", "0"} << "invalid value for --split: 0";
    QTest::newRow("bus meter at 251") << QStringList{"--meter", "id=1", "--meter", "primary=251"}
                                      << "invalid value for --meter: primary=251";
    QTest::newRow("bus meter maker with a digit")
        << QStringList{"--meter", "maker=E1S"} << "invalid value for --meter: maker=E1S";
    QTest::newRow("bus meter with 17 telegrams")
        << QStringList{"--meter", "telegrams=17"} << "invalid value for --meter: telegrams=17";
    QTest::newRow("bus meter with an unknown key")
        << QStringList{"--meter", "primary=1,colour=red"}
        << "invalid value for --meter: primary=1,colour=red";
    QTest::newRow("stray argument")
        << QStringList{"/dev/ttyS0"} << "unexpected argument /dev/ttyS0";
    QTest::newRow("unknown option") << QStringList{"--loud"} << "Unknown option 'loud'.";
    QTest::newRow("value missing") << QStringList{"--baud"} << "Missing value after '--baud'.";
}

void TestMeterSimOptions::shouldRefuseBadValuesNamingTheOption()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    MeterSimOptions options;
    QString message;
    QVERIFY(!ParseMeterSimOptions(CommandLine(arguments), options, &message));
    QCOMPARE(message, error);
}

QTEST_APPLESS_MAIN(TestMeterSimOptions)
#include "tst_metersimoptions.moc"
