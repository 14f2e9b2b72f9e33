// Latency from the last byte of a meter's reply reaching the line to "校验通过！" in the window's
// data-analysis area, against the reply's own time on the line at 2400 baud (11 bits a byte).
//
// The window runs for real (offscreen) on a pseudo-terminal; the meter's side is the simulated
// meter's core answering the request the window wrote. Every reply but its checksum and end bytes
// is written and taken in first; the clock runs from the write of those last two bytes (the
// checksum byte is the one that completes the check).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_replylatency [rounds]

#include "mainwindow.h"
#include "messageboxes.h"
#include "metersimulator.h"
#include "ptypair.h"
#include "traffictextarea.h"
#include "glowbutton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

class SilentMessages : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(const QString &, const QString &, Icon,
                                     QMessageBox::StandardButtons) override
    {
        ++count;
        return QMessageBox::Ok;
    }
    int count = 0;
};

bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

struct Result
{
    QString name;
    int replyBytes = 0;
    std::vector<double> latenciesMs;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    QTextStream out(stdout);

    PtyPair line;
    if (!line.isOpen()) {
        out << "cannot open a pseudo-terminal: " << line.errorString() << '\n';
        return 1;
    }
    PortMap map = PortMap::empty();
    map.set(1, line.slavePath());
    SilentMessages messages;
    MainWindow window(map, messages);
    window.show();
    window.findChild<GlowButton *>("OpenCOomPort")->Press();
    if (!window.port().PortOpen()) {
        out << "cannot open COM1\n";
        return 1;
    }
    window.findChild<QLineEdit *>("Text1")->setText(QStringLiteral("12345678"));
    auto *analysis = window.findChild<TrafficTextArea *>("RichTextBox3");
    MeterSimulator meter;

    QElapsedTimer clock;
    qint64 checkedAt = -1;
    QObject::connect(analysis, &TrafficTextArea::textChanged, [&] {
        if (analysis->text().startsWith(kChecksumPassedText))
            checkedAt = clock.nsecsElapsed();
    });

    struct Command
    {
        const char *name;
        int requestBytes;
        std::function<void()> send;
    };
    const Command commands[] = {
        {"CJ/T 188 read data", 19, [&] { window.Cj188ReadData(); }},
        {"M-Bus read data", 5, [&] { window.MbusReadData(); }},
    };
    std::vector<Result> results;
    for (const auto &[name, requestBytes, send] : commands) {
        Result result{QString::fromLatin1(name), 0, {}};
        for (int i = 0; i < rounds; ++i) {
            send();
            const QByteArray request = line.read(requestBytes);
            QByteArray reply;
            for (const MeterExchange &exchange : meter.feed(request))
                reply += exchange.reply;
            if (reply.size() < 2) {
                out << name << ": the meter did not answer\n";
                return 1;
            }
            result.replyBytes = int(reply.size());
            const qint64 before = window.traffic().RxCount;
            line.write(reply.left(reply.size() - 2));
            if (!waitFor([&] { return window.traffic().RxCount == before + reply.size() - 2; })) {
                out << name << ": reply not taken in\n";
                return 1;
            }
            checkedAt = -1;
            clock.start();
            line.write(reply.right(2));
            if (!waitFor([&] { return checkedAt >= 0; })) {
                out << name << ": no checked reply\n";
                return 1;
            }
            result.latenciesMs.push_back(checkedAt / 1e6);
        }
        results.push_back(result);
    }

    bool ok = messages.count == 0;
    for (Result &r : results) {
        std::sort(r.latenciesMs.begin(), r.latenciesMs.end());
        const double median = r.latenciesMs[r.latenciesMs.size() / 2];
        const double p99 = r.latenciesMs[std::min(r.latenciesMs.size() - 1,
                                                  r.latenciesMs.size() * 99 / 100)];
        const double lineMs = r.replyBytes * 11 * 1000.0 / 2400;
        out << QString("%1: reply %2 bytes = %3 ms on the line at 2400 baud; latency median "
                       "%4 ms (%5 %), 99th percentile %6 ms (%7 %), %8 rounds\n")
                   .arg(r.name)
                   .arg(r.replyBytes)
                   .arg(lineMs, 0, 'f', 1)
                   .arg(median, 0, 'f', 3)
                   .arg(100 * median / lineMs, 0, 'f', 3)
                   .arg(p99, 0, 'f', 3)
                   .arg(100 * p99 / lineMs, 0, 'f', 3)
                   .arg(r.latenciesMs.size());
        ok = ok && p99 / lineMs < 0.05;
    }
    out << (ok ? "under 5 % of the line time\n" : "NOT under 5 % of the line time\n");
    return ok ? 0 : 1;
}
