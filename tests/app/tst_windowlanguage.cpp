#include "language.h"
#include "meterprocess.h"
#include "windowtest.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

// The window in Chinese, its own language, and in English through the built-in translation.
class TestWindowLanguage : public WindowTest
{
    Q_OBJECT
private slots:
    void cleanup();

    void shouldTakeTheLanguageFromTheLocale_data();
    void shouldTakeTheLanguageFromTheLocale();
    void shouldTakeTheLanguageOptionOutOfTheArguments();
    void shouldTranslateEveryTextOfTheWindow();
    void shouldSpeakTheChosenLanguage_data();
    void shouldSpeakTheChosenLanguage();

private:
    MeterProcess m_meter{QStringLiteral(METERSIM_PATH)};
};

void TestWindowLanguage::cleanup()
{
    m_window.reset();
    m_meter.stop();
    m_messages.messages.clear();
    QVERIFY(InstallWindowLanguage(*qApp, WindowLanguage::Chinese));
}

void TestWindowLanguage::shouldTakeTheLanguageFromTheLocale_data()
{
    QTest::addColumn<QStringList>("variables"); // NAME=value
    QTest::addColumn<bool>("english");

    QTest::newRow("nothing set") << QStringList() << false;
    QTest::newRow("C and POSIX") << QStringList{"LC_ALL=C", "LANG=POSIX"} << false;
    QTest::newRow("LANG English") << QStringList{"LANG=en_GB.UTF-8"} << true;
    QTest::newRow("LANG Chinese") << QStringList{"LANG=zh_CN.UTF-8"} << false;
    QTest::newRow("LC_ALL before LANG")
        << QStringList{"LC_ALL=C.UTF-8", "LANG=en_US.UTF-8"} << false;
    QTest::newRow("LC_MESSAGES before LANG")
        << QStringList{"LC_MESSAGES=en_IE.UTF-8", "LANG=zh_CN.UTF-8"} << true;
    QTest::newRow("LANGUAGE first, its first entry")
        << QStringList{"LANGUAGE=en:zh", "LC_ALL=zh_CN.UTF-8"} << true;
    QTest::newRow("LANGUAGE's later entries do not count")
        << QStringList{"LANGUAGE=de:en", "LANG=en_GB.UTF-8"} << false;
    QTest::newRow("empty LANGUAGE is not set") << QStringList{"LANGUAGE=", "LANG=en"} << true;
}

void TestWindowLanguage::shouldTakeTheLanguageFromTheLocale()
{
    QFETCH(QStringList, variables);
    QFETCH(bool, english);
    const auto variable = [&variables](const char *name) {
        for (const QString &entry : variables)
            if (entry.section(QLatin1Char('='), 0, 0) == QLatin1String(name))
                return entry.section(QLatin1Char('='), 1);
        return QString();
    };
    QCOMPARE(LanguageOfEnvironment(variable) == WindowLanguage::English, english);
}

void TestWindowLanguage::shouldTakeTheLanguageOptionOutOfTheArguments()
{
    QStringList arguments{"demo", "--split", "3", "--lang", "en", "--noise", "--lang=zh"};
    QCOMPARE(TakeLanguageOption(arguments), QStringLiteral("zh")); // the last one counts
    QCOMPARE(arguments, QStringList({"demo", "--split", "3", "--noise"}));
    QCOMPARE(TakeLanguageOption(arguments), std::nullopt);

    QStringList withoutValue{"demo", "--lang"};
    QCOMPARE(TakeLanguageOption(withoutValue), QString()); // refused as a bad value
    QCOMPARE(withoutValue, QStringList{"demo"});
    QCOMPARE(LanguageOfOption(QString()), std::nullopt);
    QCOMPARE(LanguageOfOption(QStringLiteral("EN")), std::nullopt);
}

// The texts of the window's code as lupdate finds them, merged into a copy of the translation
// file: a text without a translation comes in unfinished.
void TestWindowLanguage::shouldTranslateEveryTextOfTheWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QStringLiteral("meterdesk_en.ts"));
    QVERIFY(QFile::copy(QStringLiteral(METERDESK_TRANSLATION), copy));
    QProcess update;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUPDATE"), QStringLiteral(LUPDATE_PATH));
    update.setProcessEnvironment(environment);
    update.start(QStringLiteral(UPDATE_TRANSLATIONS), {copy});
    QVERIFY(update.waitForFinished(120000));
    QVERIFY2(update.exitCode() == 0, update.readAllStandardError().constData());

    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader ts(&file);
    QString context, source;
    QStringList untranslated;
    int messages = 0;
    while (!ts.atEnd()) {
        if (ts.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (ts.name() == QLatin1String("name")) {
            context = ts.readElementText();
        } else if (ts.name() == QLatin1String("source")) {
            source = ts.readElementText();
        } else if (ts.name() == QLatin1String("translation")) {
            ++messages;
            const bool unfinished =
                ts.attributes().value(QLatin1String("type")) == QLatin1String("unfinished");
            if (ts.readElementText().trimmed().isEmpty() || unfinished)
                untranslated << context + QStringLiteral(": ") + source;
        }
    }
    QVERIFY2(!ts.hasError(), qPrintable(ts.errorString()));
    QVERIFY(messages > 100);
    QVERIFY2(untranslated.isEmpty(),
             qPrintable(QStringLiteral("no English for (run scripts/update-translations and "
                                       "translate them):\n") +
                        untranslated.join(QLatin1Char('\n'))));
}

void TestWindowLanguage::shouldSpeakTheChosenLanguage_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("mbusPage");
    QTest::addColumn<QStringList>(
        "controls"); // Label9, Label1, GlowButton2, Frame2, Combo3, Combo7
    QTest::addColumn<QStringList>("analysis"); // the first lines
    QTest::addColumn<QString>("outcome");      // the last line's start
    QTest::addColumn<QString>("helpStart");

    const QStringList chinese{"端口号",   "仪表地址", "CJ188仪表",
                              "数据分析", "偶EVEN",   "冷水水表 - 10H"};
    const QStringList english{"Port",          "Address", "CJ188 meter",
                              "Data analysis", "Even",    "Cold water - 10H"};
    QTest::newRow("Chinese, M-Bus") << false << true << chinese
                                    << QStringList{"校验通过！", "表号：12345678", "厂商：QZX",
                                                   "介质：热量（出口）", "热量：45678 kWh"}
                                    << "应答时间："
                                    << "选择端口\n";
    QTest::newRow("English, M-Bus")
        << true << true << english
        << QStringList{"Checksum OK!", "Identification number: 12345678", "Manufacturer: QZX",
                       "Medium: heat (outlet)", "Heat energy: 45678 kWh"}
        << "Response time: "
        << "Choosing a port\n";
    // The translated meter type and parity entries still give the meter type byte and parity.
    QTest::newRow("English, CJ/T 188")
        << true << false << english
        << QStringList{"Checksum OK!", "Current cumulative volume: 1234.56 m³",
                       "Cumulative volume on settlement date: 1200.00 m³"}
        << "Response time: "
        << "Choosing a port\n";
}

void TestWindowLanguage::shouldSpeakTheChosenLanguage()
{
    QFETCH(bool, english);
    QFETCH(bool, mbusPage);
    QFETCH(QStringList, controls);
    QFETCH(QStringList, analysis);
    QFETCH(QString, outcome);
    QFETCH(QString, helpStart);
    QVERIFY(
        InstallWindowLanguage(*qApp, english ? WindowLanguage::English : WindowLanguage::Chinese));
    const QString device = m_meter.start({});
    QVERIFY2(!device.isEmpty(), "the simulated meter did not start");
    PortMap map = PortMap::empty();
    map.set(1, device);
    createWindow(map);

    QCOMPARE((QStringList{child<QLabel>("Label9")->text(), child<QLabel>("Label1")->text(),
                          caption("GlowButton2"), child<QGroupBox>("Frame2")->title(),
                          child<QComboBox>("Combo3")->currentText(),
                          child<QComboBox>("Combo7")->currentText()}),
             controls);
    click("GlowButton7");
    QCOMPARE(m_messages.messages.size(), 1);
    QVERIFY(m_messages.messages.first().text.startsWith(helpStart));

    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    if (mbusPage) {
        click("GlowButton4");
        click("GlowButton17");
    } else {
        QTest::keyClicks(child<QLineEdit>("Text1"), QStringLiteral("12345678"));
        click("GlowButton1");
    }
    QTRY_VERIFY_WITH_TIMEOUT(text("RichTextBox3").contains(outcome), 10000);
    const QStringList lines = text("RichTextBox3").split(QLatin1Char('\n'));
    QCOMPARE(lines.mid(0, analysis.size()), analysis);
    QVERIFY2(lines.last().startsWith(outcome), qPrintable(lines.last()));
}

QTEST_MAIN(TestWindowLanguage)
#include "tst_windowlanguage.moc"
