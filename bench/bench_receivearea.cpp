// Time to show a 64 KiB burst of serial traffic in a receive area, appended in the pieces a serial
// notification delivers, with the event loop painting between pieces. Each figure is also given
// as a share of the time the burst takes on the line, so that it reads as the share of one core
// the display costs while the burst arrives.
//
// Run with QT_QPA_PLATFORM=offscreen. Optional arguments: [paint-bytes] [plain-text-budget-ms]
// [maximum-length]. The event loop runs after as many whole pieces as make up `paint-bytes` (at
// least one piece); the default of 192 bytes is one 60 Hz frame of traffic at 115200 baud, and 1
// runs it after every piece. QPlainTextEdit is stopped after the budget (default 15 s) per case.
// A maximum length (characters, default 0: none) bounds the TrafficTextArea, so that the cost of
// dropping its oldest rows shows. Paints still due when the burst is done are counted, untimed.
//
// With --paced, each piece is appended when the line has delivered it, with the event loop
// running in between as it does for serial notifications, and the figure is the process's CPU
// time: the share of one core the display costs while a meter streams. One run per case.

#include "paintcounter.h"
#include "traffictextarea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kBurstBytes = 64 * 1024;
constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10; // start bit, 8 data bits, stop bit
constexpr double kLineMs = 1000.0 * kBurstBytes * kBitsPerByte / kBaud;
constexpr QSize kAreaSize(681, 169); // the receive area's size in the main window
constexpr int kRuns = 3;             // the median of these is reported
constexpr int kSettleMs = 50;        // untimed event loop after a burst, for deferred paints

struct Outcome
{
    double ms = 0; // wall time, or CPU time when paced
    double wallMs = 0;
    int paints = 0;
    int bytesDone = 0; // less than the burst when the time budget ran out
};

QString trafficText(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += QLatin1Char(digits[value >> 4]);
        text += QLatin1Char(digits[value & 15]);
        text += QLatin1Char(' ');
    }
    return text;
}

QByteArray burstBytes()
{
    QByteArray bytes(kBurstBytes, Qt::Uninitialized);
    quint32 state = 0x2545F491;
    for (char &byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return bytes;
}

using Append = std::function<void(const QString &)>;

// How a burst is fed: as fast as possible with the event loop run once per `paintBytes`, or at
// line speed with the event loop run after every piece.
struct Feeding
{
    int paintBytes = 192;
    bool paced = false;
};

double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// Appends the pieces as fast as possible, running the event loop at least once per
// `paintBytes` of traffic and after the last piece.
void feedFast(const Append &append, const std::vector<QString> &pieces, int paintBytes,
              double budgetMs, Outcome &outcome)
{
    const int piecesPerPaint = std::max(1, paintBytes / int(pieces.front().size() / 3));
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        append(pieces[i]);
        outcome.bytesDone += int(pieces[i].size() / 3);
        if ((i + 1) % piecesPerPaint == 0 || i + 1 == pieces.size())
            QCoreApplication::processEvents();
        if (clock.elapsed() > budgetMs) {
            QCoreApplication::processEvents();
            break;
        }
    }
    outcome.ms = outcome.wallMs = double(clock.nsecsElapsed()) / 1e6;
}

// Appends each piece once the line has delivered its last byte, one piece per pass of the event
// loop, and charges the CPU time used meanwhile.
void feedPaced(const Append &append, const std::vector<QString> &pieces, double budgetMs,
               Outcome &outcome)
{
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = cpuMs();
    std::size_t next = 0;
    qint64 deliveredBytes = 0;
    const auto dueMs = [&] {
        return double(deliveredBytes + pieces[next].size() / 3) * kBitsPerByte * 1000 / kBaud;
    };
    QEventLoop loop;
    QTimer arrival;
    arrival.setSingleShot(true);
    arrival.setTimerType(Qt::PreciseTimer);
    QObject::connect(&arrival, &QTimer::timeout, [&] {
        append(pieces[next]);
        deliveredBytes += pieces[next].size() / 3;
        ++next;
        if (next == pieces.size() || clock.elapsed() > budgetMs) {
            loop.quit();
            return;
        }
        arrival.start(std::max(0, int(dueMs() - double(clock.nsecsElapsed()) / 1e6)));
    });
    arrival.start(int(dueMs()));
    loop.exec();
    outcome.bytesDone = int(deliveredBytes);
    outcome.ms = cpuMs() - cpuStart;
    outcome.wallMs = double(clock.nsecsElapsed()) / 1e6;
}

// Appends the burst in pieces of `pieceBytes` and counts the viewport's paints.
Outcome feed(QWidget *viewport, const Append &append, const QString &text, int pieceBytes,
             const Feeding &feeding, double budgetMs)
{
    std::vector<QString> pieces;
    for (int at = 0; at < kBurstBytes; at += pieceBytes)
        pieces.push_back(text.mid(at * 3, pieceBytes * 3));

    PaintCounter counter;
    viewport->installEventFilter(&counter);
    Outcome outcome;
    if (feeding.paced)
        feedPaced(append, pieces, budgetMs, outcome);
    else
        feedFast(append, pieces, feeding.paintBytes, budgetMs, outcome);
    QEventLoop settle;
    QTimer::singleShot(kSettleMs, &settle, &QEventLoop::quit);
    settle.exec();
    outcome.paints = counter.count;
    viewport->removeEventFilter(&counter);
    return outcome;
}

Outcome runTrafficArea(TrafficTextArea &area, const QString &text, int pieceBytes,
                       const Feeding &feeding)
{
    std::vector<Outcome> runs;
    const int runCount = feeding.paced ? 1 : kRuns;
    for (int run = 0; run < runCount; ++run) {
        area.clear();
        QCoreApplication::processEvents();
        runs.push_back(feed(
            area.viewport(), [&](const QString &piece) { area.appendText(piece); }, text,
            pieceBytes, feeding, 1e12));
        const int bound = area.maximumLength();
        if (bound == 0 ? area.text() != text
                       : area.text().size() > bound || !text.endsWith(area.text()))
            qFatal("TrafficTextArea lost text");
    }
    std::sort(runs.begin(), runs.end(),
              [](const Outcome &a, const Outcome &b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

Outcome runPlainTextEdit(QPlainTextEdit &edit, const QString &text, int pieceBytes,
                         const Feeding &feeding, double budgetMs)
{
    edit.clear();
    QCoreApplication::processEvents();
    // The usual way to add received text to the end of a plain text edit and keep it in view.
    const auto append = [&](const QString &piece) {
        edit.moveCursor(QTextCursor::End);
        edit.insertPlainText(piece);
    };
    return feed(edit.viewport(), append, text, pieceBytes, feeding, budgetMs);
}

QString describe(const Outcome &outcome, const Feeding &feeding)
{
    const double share = 100.0 * outcome.ms / (feeding.paced ? outcome.wallMs : kLineMs);
    if (outcome.bytesDone < kBurstBytes)
        return QString::asprintf(">%8.0f ms >%7.1f %%  (stopped after %d bytes)", outcome.ms, share,
                                 outcome.bytesDone);
    return QString::asprintf("%9.1f ms %8.2f %%", outcome.ms, share);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    Feeding feeding;
    feeding.paced = args.removeAll(QStringLiteral("--paced")) > 0;
    feeding.paintBytes = args.size() > 1 ? std::max(1, args[1].toInt()) : 192;
    const double budgetMs = args.size() > 2 ? args[2].toDouble() : 15000;
    const int maximumLength = args.size() > 3 ? args[3].toInt() : 0;

    TrafficTextArea area;
    area.setMaximumLength(maximumLength);
    const QFont font = area.font();
    area.resize(kAreaSize);
    area.show();
    QPlainTextEdit edit;
    edit.setReadOnly(true);
    edit.setFont(font);
    edit.resize(kAreaSize);
    edit.show();
    QCoreApplication::processEvents();

    const QString text = trafficText(burstBytes());
    std::printf("Burst: %d bytes = %lld characters of hex text; on the line at %d baud: %.0f ms\n",
                kBurstBytes, qlonglong(text.size()), kBaud, kLineMs);
    std::printf("Area %dx%d px, font %s %d pt; ", kAreaSize.width(), kAreaSize.height(),
                qPrintable(QFontInfo(font).family()), font.pointSize());
    if (feeding.paced)
        std::printf("pieces fed at line speed, event loop run after every piece; CPU time\n");
    else
        std::printf("event loop run after the pieces of every %d bytes and after the last piece\n",
                    feeding.paintBytes);
    if (maximumLength > 0)
        std::printf("TrafficTextArea keeps at most %d characters\n", maximumLength);
    std::printf("\n");
    std::printf("%11s %8s | %-36s | %s\n", "piece bytes", "appends",
                feeding.paced ? "TrafficTextArea" : "TrafficTextArea (median of 3 runs)",
                "QPlainTextEdit");

    for (const int pieceBytes : {1, 16, 64, 256, 4096, kBurstBytes}) {
        const Outcome ours = runTrafficArea(area, text, pieceBytes, feeding);
        const Outcome theirs = runPlainTextEdit(edit, text, pieceBytes, feeding, budgetMs);
        std::printf("%11d %8d | %s %6d paints | %s\n", pieceBytes, kBurstBytes / pieceBytes,
                    qPrintable(describe(ours, feeding)), ours.paints,
                    qPrintable(describe(theirs, feeding)));
        std::fflush(stdout);
    }
    return 0;
}
