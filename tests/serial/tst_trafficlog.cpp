#include "filesizelimit.h"
#include "finishedwithin.h"
#include "ptypair.h"
#include "trafficlog.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The traffic log against what a path can stand for, and against writes that fail.
class TestTrafficLog : public QObject
{
    Q_OBJECT
private slots:
    void shouldOpenOnlyAFileOrATerminalWithoutBlocking_data();
    void shouldOpenOnlyAFileOrATerminalWithoutBlocking();
    void shouldReportTheFirstFailedWriteOnceAndStop();
};

void TestTrafficLog::shouldOpenOnlyAFileOrATerminalWithoutBlocking_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("error"); // part of errorString() when refused
    QTest::newRow("new file") << "file" << true << "";
    QTest::newRow("terminal") << "terminal" << true << "";
    QTest::newRow("FIFO without a reader") << "fifo" << false << "not a regular file or terminal";
    QTest::newRow("FIFO with a reader")
        << "fifo with reader" << false << "not a regular file or terminal";
    QTest::newRow("/dev/full") << "/dev/full" << false << "not a regular file or terminal";
    QTest::newRow("folder") << "folder" << false << "not a regular file or terminal";
}

void TestTrafficLog::shouldOpenOnlyAFileOrATerminalWithoutBlocking()
{
    QFETCH(QString, kind);
    QFETCH(bool, opens);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath(QStringLiteral("exchange.log"));
    PtyPair terminal;
    int reader = -1;
    if (kind == u"terminal") {
        QVERIFY(terminal.isOpen());
        path = terminal.slavePath();
    } else if (kind.startsWith(u"fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind.endsWith(u"reader"))
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    } else if (kind == u"folder") {
        path = dir.path();
    } else if (kind.startsWith(u'/')) {
        path = kind;
    }

    auto *log = new TrafficLog; // left behind, not deleted under a thread, should the open hang
    const std::optional<bool> opened =
        FinishedWithin(std::chrono::seconds(10), [log, path] { return log->open(path); });
    if (reader >= 0)
        ::close(reader);
    QVERIFY2(opened, "the open blocked");
    QCOMPARE(*opened, opens);
    if (!opens) {
        QVERIFY(!log->isOpen());
        QVERIFY(!log->errorString().isEmpty());
        QVERIFY2(log->errorString().contains(error), qPrintable(log->errorString()));
    }
    delete log;
}

// A full disk seen through a file size limit: the first failure is reported once, with the file
// and the reason, and the log writes nothing more.
void TestTrafficLog::shouldReportTheFirstFailedWriteOnceAndStop()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("exchange.log"));
    TrafficLog log;
    QVERIFY(log.open(path));
    QSignalSpy failed(&log, &TrafficLog::failed);
    log.sent(QByteArray("\x10\x5B\x00\x5B\x16", 5));
    const qint64 oneLine = QFileInfo(path).size();
    QVERIFY(oneLine > 0);
    {
        FileSizeLimit limit(rlim_t(oneLine + oneLine / 2));
        QVERIFY(limit.isActive());
        log.received(QByteArray("\xE5", 1));
        log.sent(QByteArray("\x10\x5B\x00\x5B\x16", 5));
        log.received(QByteArray("\xE5", 1));
    }
    QCOMPARE(failed.size(), 1);
    QVERIFY2(log.failure().startsWith(path + QStringLiteral(": ")), qPrintable(log.failure()));
    QCOMPARE(failed.at(0).at(0).toString(), log.failure());
    QVERIFY(!log.isOpen());

    log.sent(QByteArray("\x10\x5B\x00\x5B\x16", 5));
    QCOMPARE(failed.size(), 1);
    QVERIFY(QFileInfo(path).size() <= oneLine + oneLine / 2);
}

QTEST_GUILESS_MAIN(TestTrafficLog)
#include "tst_trafficlog.moc"
