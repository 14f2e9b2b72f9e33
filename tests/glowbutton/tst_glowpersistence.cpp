#include "glowbutton.h"
#include "glowpropertybag.h"
#include "glowtesthost.h"

#include <QtTest>

// Stored settings of the button: keys, order, fallbacks, write defaults, the definition text.
class TestGlowPersistence : public QObject
{
    Q_OBJECT

private:
    TestHost host;
    GlowButton *make()
    {
        auto *b = new GlowButton;
        b->SetHost(&host);
        return b;
    }

private slots:
    void init() { host = TestHost(); }

    void shouldReadEveryKeyInOrderWithItsFallback()
    {
        host.tip = QStringLiteral("host tip");
        std::unique_ptr<GlowButton> b(make());
        RecordingBag bag;
        b->ReadProperties(bag);
        const QStringList order{
            "Icon", "Style", "Caption", "IconSize", "CaptionAlign", "IconAlign", "iNonThemeStyle",
            "Enabled", "ShowFocus", "USeCustomColors", "BackColor", "HighlightColor", "FontColor",
            "FontHighlightColor", "ToolTipText", "ToolTipText", "Tooltiptitle", "ToolTipIcon",
            "ToolTipType", "ttBackColor", "ttForeColor", "Font", "ButtonType", "Value",
            "UseMaskColor", "MaskColor", "MousePointer"};
        QCOMPARE(bag.reads, order);
        QCOMPARE(b->Style(), 3);
        QCOMPARE(b->Caption(), QStringLiteral("GlowButton"));
        QCOMPARE(b->IconAlign(), 1);
        QCOMPARE(b->NonThemeStyle(), 5);
        QCOMPARE(b->ToolTipType(), 1);
        QCOMPARE(b->BackColor(), GlowRgb(236, 233, 216));
        QCOMPARE(b->HighlightColor(), GlowRgb(49, 106, 197));
        // The tooltip colour fallbacks are crossed: background from the tooltip-text colour.
        QCOMPARE(b->ToolTipBackColor(), GlowRgb(0, 0, 0));
        QCOMPARE(b->ToolTipForeColor(), GlowRgb(255, 255, 225));
        QCOMPARE(b->MaskColor(), GlowColor(0xC0C0C0));
        // An absent tooltip text: the host keeps the control's (empty) text, the control none.
        QCOMPARE(host.tip, QString());
        QCOMPARE(b->Font().family(), QStringLiteral("Verdana"));
        QCOMPARE(b->Font().pointSizeF(), 8.25);
    }

    void shouldMatchKeysWithoutRegardToCase()
    {
        std::unique_ptr<GlowButton> b(make());
        GlowPropertyBag bag;
        bag.WriteProperty("STYLE", 7);
        bag.WriteProperty("caption", QStringLiteral("读表数据"));
        bag.WriteProperty("usecustomcolors", true);
        bag.WriteProperty("TOOLTIPTITLE", QStringLiteral("t"));
        b->ReadProperties(bag);
        QCOMPARE(b->Style(), 7);
        QCOMPARE(b->Caption(), QStringLiteral("读表数据"));
        QVERIFY(b->UseCustomColors());
        QCOMPARE(b->ToolTipTitle(), QStringLiteral("t"));
    }

    void shouldWriteInOrderAndOmitDefaults_data()
    {
        QTest::addColumn<bool>("everythingSet");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("read from an empty bag")
            << false
            << QStringList{"Icon", "Caption", "Tooltiptitle", "ToolTipIcon", "ToolTipType", "Font"};
        QTest::newRow("nothing at its default")
            << true
            << QStringList{"Icon", "Style", "Caption", "IconSize", "IconAlign", "CaptionAlign",
                           "iNonThemeStyle", "Enabled", "ShowFocus", "USeCustomColors",
                           "BackColor", "HighlightColor", "FontColor", "FontHighlightColor",
                           "ToolTipText", "Tooltiptitle", "ToolTipIcon", "ToolTipType",
                           "ttBackColor", "ttForeColor", "Font", "ButtonType", "Value",
                           "MaskColor", "UseMaskColor", "MousePointer"};
    }
    void shouldWriteInOrderAndOmitDefaults()
    {
        QFETCH(bool, everythingSet);
        QFETCH(QStringList, written);
        std::unique_ptr<GlowButton> b(make());
        b->ReadProperties(GlowPropertyBag());
        if (everythingSet)
            setEverything(*b);
        GlowPropertyBag bag;
        b->WriteProperties(bag);
        QStringList keys;
        for (const auto &entry : bag.Entries())
            keys << entry.first;
        QCOMPARE(keys, written);
    }

    void shouldWriteAnEmptyCaptionAsAbsentAndReadItBackAsGlowButton()
    {
        std::unique_ptr<GlowButton> b(make());
        b->ReadProperties(GlowPropertyBag());
        b->SetCaption(QString());
        GlowPropertyBag bag;
        b->WriteProperties(bag);
        QVERIFY(!bag.Contains("Caption"));
        std::unique_ptr<GlowButton> c(make());
        c->ReadProperties(bag);
        QCOMPARE(c->Caption(), QStringLiteral("GlowButton"));
    }

    void shouldRoundTripEveryProperty()
    {
        std::unique_ptr<GlowButton> b(make());
        b->ReadProperties(GlowPropertyBag());
        setEverything(*b);
        GlowPropertyBag first;
        b->WriteProperties(first);
        host.tip.clear();
        std::unique_ptr<GlowButton> c(make());
        c->ReadProperties(first);
        host.tip.clear(); // the host writes its own tooltip text; the control's is then written
        GlowPropertyBag second;
        c->WriteProperties(second);
        QCOMPARE(second.Entries(), first.Entries());
        QCOMPARE(c->Caption(), QStringLiteral("A && B"));
        QCOMPARE(c->IconSize(), 24);
        QCOMPARE(c->ToolTipText(), QStringLiteral("tip"));
        QCOMPARE(c->Font().bold(), true);
        QCOMPARE(c->Font().italic(), true);
        QCOMPARE(c->MousePointer(), 2);
        QCOMPARE(c->cursor().shape(), Qt::CrossCursor);
        QVERIFY(!c->isEnabled());
    }

    void shouldGiveANewButtonItsHostNameAndSystemColours()
    {
        host.name = QStringLiteral("GlowButton12");
        std::unique_ptr<GlowButton> b(make());
        b->InitProperties();
        QCOMPARE(b->Caption(), QStringLiteral("GlowButton12"));
        QCOMPARE(b->Style(), 0);
        QCOMPARE(b->IconSize(), 16);
        QCOMPARE(b->ToolTipType(), 1);
        QCOMPARE(b->BackColor(), GlowRgb(236, 233, 216));
        QCOMPARE(b->FontHighlightColor(), GlowRgb(0, 0, 0));
        QCOMPARE(b->ToolTipBackColor(), GlowColor(0));
        QCOMPARE(b->CaptionFormat(), 17);
    }

    void shouldNotifyTheHostUnderThePropertyName()
    {
        std::unique_ptr<GlowButton> b(make());
        b->ReadProperties(GlowPropertyBag());
        host.changed.clear();
        b->SetStyle(7);
        b->SetCaption("x");
        b->SetBackColor(1);
        b->SetValue(true);
        b->SetEnabled(false);
        b->SetMousePointer(3);
        QCOMPARE(host.changed, (QStringList{"Style", "Caption", "BackColor", "Value", "Enabled",
                                            "MousePointer"}));
        QVERIFY(!b->isEnabled());
        QCOMPARE(b->cursor().shape(), Qt::IBeamCursor);
    }

    void shouldInstallTheHookOnlyInRunModeWithATrackingService_data()
    {
        QTest::addColumn<bool>("runMode");
        QTest::addColumn<bool>("service");
        QTest::addColumn<bool>("hooked");
        QTest::newRow("running") << true << true << true;
        QTest::newRow("designing") << false << true << false;
        QTest::newRow("no tracking service") << true << false << false;
    }
    void shouldInstallTheHookOnlyInRunModeWithATrackingService()
    {
        QFETCH(bool, runMode);
        QFETCH(bool, service);
        QFETCH(bool, hooked);
        host.runMode = runMode;
        host.trackingService = service;
        std::unique_ptr<GlowButton> b(make());
        b->ReadProperties(GlowPropertyBag());
        QCOMPARE(b->HoverTracking(), hooked);
        QCOMPARE(b->Hooks().Wants(b.get(), kMsgMouseLeave, kHookAfter), hooked);
        QCOMPARE(b->Hooks().Wants(b.get(), kMsgColorsChanged, kHookBefore), false);
    }

    void shouldRoundTripDefinitionText()
    {
        const QString text = QStringLiteral("Begin GlowButton OpenCOomPort\n"
                                            "    Style = 7\n"
                                            "    Caption = \"打开 \\\"串口\\\" \\\\\"\n"
                                            "    Enabled = false\n"
                                            "    BackColor = -2147483633\n"
                                            "End\n"
                                            "Begin GlowButton GlowButton1\n"
                                            "End\n");
        QList<GlowDefinitionEntry> entries;
        QString error;
        QVERIFY2(ParseGlowDefinition(text, entries, &error), qPrintable(error));
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0].bag.ReadProperty("caption", {}).toString(),
                 QStringLiteral("打开 \"串口\" \\"));
        QCOMPARE(GlowColor(entries[0].bag.ReadProperty("BackColor", {}).toInt()), 0x8000000Fu);
        QCOMPARE(WriteGlowDefinition(entries), text);
    }

    void shouldRejectMalformedDefinitions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("no Begin") << "Style = 7\n" << "line 1: expected Begin <type> <name>";
        QTest::newRow("no End") << "Begin GlowButton A\n Style = 7\n" << "line 3: missing End";
        QTest::newRow("bare word") << "Begin GlowButton A\n Style = seven\nEnd\n"
                                   << "line 2: expected Key = value";
        QTest::newRow("open string") << "Begin GlowButton A\n Caption = \"x\nEnd\n"
                                     << "line 2: expected Key = value";
        QTest::newRow("stray quote") << "Begin GlowButton A\n Caption = \"a\"b\"\nEnd\n"
                                     << "line 2: expected Key = value";
    }
    void shouldRejectMalformedDefinitions()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QList<GlowDefinitionEntry> entries;
        QString got;
        QVERIFY(!ParseGlowDefinition(text, entries, &got));
        QCOMPARE(got, error);
    }

    void shouldKeepHookRecordsAndListsAsTheTableDescribes()
    {
        QWidget a, b;
        GlowHookTable t;
        QCOMPARE(t.StartHooking(&a), 0);
        QCOMPARE(t.StartHooking(&b), 1);
        QCOMPARE(t.StartHooking(&a), 0);
        t.AddMessage(&a, 0x0200, kHookAfter);
        t.AddMessage(&a, 0x0200, kHookBoth);
        t.AddMessage(&a, 0x02A3, kHookAfter);
        QCOMPARE(t.Records()[0].after, (QList<int>{0x0200, 0x02A3}));
        QCOMPARE(t.Records()[0].before, (QList<int>{0x0200}));
        t.DeleteMessage(&a, 0x0200, kHookAfter);
        t.AddMessage(&a, 0x0015, kHookAfter); // takes the freed entry
        QCOMPARE(t.Records()[0].after, (QList<int>{0x0015, 0x02A3}));
        QVERIFY(!t.Wants(&a, 0x031A, kHookAfter));
        t.AddMessage(&a, kAllMessages, kHookAfter);
        QVERIFY(t.Wants(&a, 0x031A, kHookAfter));
        t.DeleteMessage(&a, kAllMessages, kHookAfter);
        QVERIFY(t.Records()[0].after.isEmpty());
        t.StopHooking(&a);
        QVERIFY(!t.Wants(&a, 0x0200, kHookBefore));
        QWidget c;
        QCOMPARE(t.StartHooking(&c), 0); // the freed record is reused
        t.StopAll();
        QCOMPARE(t.Records().size(), 2);
        QVERIFY(!t.Records()[0].hooked && !t.Records()[1].hooked);
    }

private:
    void setEverything(GlowButton &b)
    {
        b.SetIcon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-apply-16.png"));
        b.SetStyle(7);
        b.SetCaption(QStringLiteral("A && B"));
        b.SetIconSize(24);
        b.SetIconAlign(2);
        b.SetCaptionAlign(3);
        b.SetNonThemeStyle(0);
        b.SetShowFocus(true);
        b.SetUseCustomColors(true);
        b.SetBackColor(GlowRgb(1, 2, 3));
        b.SetHighlightColor(0x8000000D);
        b.SetFontColor(GlowRgb(4, 5, 6));
        b.SetFontHighlightColor(GlowRgb(7, 8, 9));
        b.SetToolTipText(QStringLiteral("tip"));
        host.tip.clear(); // the host's own copy differs from the control's, so it is written
        b.SetToolTipTitle(QStringLiteral("title"));
        b.SetToolTipIcon(2);
        b.SetToolTipType(0);
        b.SetToolTipBackColor(GlowRgb(10, 11, 12));
        b.SetToolTipForeColor(GlowRgb(13, 14, 15));
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPointSizeF(10.5);
        f.setBold(true);
        f.setItalic(true);
        b.SetFont(f);
        b.SetButtonType(1);
        b.SetValue(true);
        b.SetMaskColor(GlowRgb(255, 0, 255));
        b.SetUseMaskColor(true);
        b.SetMousePointer(2);
        b.SetEnabled(false);
    }
};

QTEST_MAIN(TestGlowPersistence)
#include "tst_glowpersistence.moc"
