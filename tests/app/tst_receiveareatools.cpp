#include "receiveareatools.h"
#include "traffictextarea.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

// The receive area's context menu, find and time stamps, used as a technician uses them.
class TestReceiveAreaTools : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldOfferTheToolsInTheContextMenu();
    void shouldStampEachChunkOnlyWhileTimeIsShown();
    void shouldFindHexAsTypedOrSpacedAndTextAsTyped_data();
    void shouldFindHexAsTypedOrSpacedAndTextAsTyped();
    void shouldOpenFindWithCtrlFAndTurnRedWhenNothingMatches();

private:
    // Opens the area's context menu and returns it; the test closes it.
    QMenu *openMenu();
    QAction *action(QMenu *menu, const QString &text);

    std::unique_ptr<TrafficTextArea> m_area;
    ReceiveAreaTools *m_tools = nullptr;
    int m_saves = 0;
};

void TestReceiveAreaTools::init()
{
    m_area = std::make_unique<TrafficTextArea>();
    m_area->setObjectName(QStringLiteral("RichTextBox2"));
    m_area->resize(400, 120);
    m_tools = new ReceiveAreaTools(m_area.get(), [this] { ++m_saves; });
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area.get()));
    m_area->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_area.get()));
}

void TestReceiveAreaTools::cleanup()
{
    m_area.reset();
    m_saves = 0;
}

QMenu *TestReceiveAreaTools::openMenu()
{
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_area->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(m_area->viewport(), &event);
    QMenu *menu = m_area->findChild<QMenu *>();
    if (!menu)
        qFatal("no context menu");
    return menu;
}

QAction *TestReceiveAreaTools::action(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    qFatal("no action %s", qPrintable(text));
}

void TestReceiveAreaTools::shouldOfferTheToolsInTheContextMenu()
{
    m_tools->appendReceived(QStringLiteral("68 10 "));
    m_area->selectAll();
    QMenu *menu = openMenu();
    QStringList texts;
    for (const QAction *a : menu->actions()) {
        if (!a->isSeparator())
            texts << a->text();
    }
    QCOMPARE(texts, QStringList({"复制", "全选", "清除", "查找…", "显示时间", "保存通讯记录…"}));
    QVERIFY(action(menu, "显示时间")->isCheckable());
    QVERIFY(!action(menu, "显示时间")->isChecked());

    action(menu, "保存通讯记录…")->trigger();
    QCOMPARE(m_saves, 1);
    action(menu, "显示时间")->trigger();
    QVERIFY(m_tools->showsTime());
    action(menu, "清除")->trigger();
    QVERIFY(m_area->isEmpty());
    delete menu;

    // Cleared, the menu offers nothing to clear; time stays as set.
    menu = openMenu();
    QVERIFY(!action(menu, "清除")->isEnabled());
    QVERIFY(action(menu, "显示时间")->isChecked());
    delete menu;
}

void TestReceiveAreaTools::shouldStampEachChunkOnlyWhileTimeIsShown()
{
    m_tools->appendReceived(QStringLiteral("68 10 "), QTime(10, 15, 30, 5));
    m_tools->appendReceived(QStringLiteral("16 "), QTime(10, 15, 30, 9));
    QCOMPARE(m_area->text(), QStringLiteral("68 10 16 "));

    m_area->clear();
    m_tools->setShowsTime(true);
    m_tools->appendReceived(QStringLiteral("68 10 "), QTime(10, 15, 30, 5));
    m_tools->appendReceived(QStringLiteral("16 "), QTime(10, 15, 31, 120));
    QCOMPARE(m_area->text(), QStringLiteral("[10:15:30.005] 68 10 \n[10:15:31.120] 16 "));
}

void TestReceiveAreaTools::shouldFindHexAsTypedOrSpacedAndTextAsTyped_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("selections"); // start of the selection after each find
    // "FE 68 10 68 10 16 " with the time stamp of the second chunk in the middle.
    QTest::newRow("hex run, wraps") << "6810" << QList<int>{3, 25, 3};
    QTest::newRow("spaced, odd digits as text") << "68 1" << QList<int>{3, 25, 3};
    QTest::newRow("lower case") << "fe 68" << QList<int>{0, 0};
    QTest::newRow("text of a time stamp") << "10:15:31" << QList<int>{11, 11};
    QTest::newRow("nothing") << "AA" << QList<int>{-1};
}

void TestReceiveAreaTools::shouldFindHexAsTypedOrSpacedAndTextAsTyped()
{
    QFETCH(QString, query);
    QFETCH(QList<int>, selections);
    m_tools->appendReceived(QStringLiteral("FE 68 10 "), QTime(10, 15, 30));
    m_tools->setShowsTime(true);
    m_tools->appendReceived(QStringLiteral("68 10 16 "), QTime(10, 15, 31));
    QCOMPARE(m_area->text(), QStringLiteral("FE 68 10 \n[10:15:31.000] 68 10 16 "));
    QList<int> marked; // every match is marked at once
    for (const int start : selections) {
        QCOMPARE(m_tools->findNext(query), start >= 0);
        if (start < 0) {
            QVERIFY(!m_area->hasSelection());
            continue;
        }
        QCOMPARE(m_area->selectionEnd() - int(m_area->selectedText().size()), start);
        QCOMPARE(m_area->selectedText().toUpper(), ReceiveAreaTools::findPattern(query).toUpper());
    }
}

void TestReceiveAreaTools::shouldOpenFindWithCtrlFAndTurnRedWhenNothingMatches()
{
    m_tools->appendReceived(QStringLiteral("68 10 16 "));
    auto *find = m_area->findChild<QLineEdit *>(QStringLiteral("RichTextBox2Find"));
    QVERIFY(find && !find->isVisible());
    m_area->setFocus();
    QTest::keyClick(m_area.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(find->isVisible());
    QVERIFY(find->hasFocus());

    QTest::keyClicks(find, QStringLiteral("55"));
    QTest::keyClick(find, Qt::Key_Return);
    QVERIFY(find->styleSheet().contains(QStringLiteral("background")));
    QVERIFY(find->toolTip().contains(QStringLiteral("55")));
    // Typing again clears the mark; a match selects it.
    find->selectAll();
    QTest::keyClicks(find, QStringLiteral("16"));
    QVERIFY(find->styleSheet().isEmpty());
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(m_area->selectedText(), QStringLiteral("16"));

    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!find->isVisible());
    QVERIFY(m_area->hasFocus());
}

QTEST_MAIN(TestReceiveAreaTools)
#include "tst_receiveareatools.moc"
