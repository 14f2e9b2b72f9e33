// CPU cost of a meter streaming into the window at line speed. The real window runs in a child
// process on a pseudo-terminal; this process plays the line: it writes pieces of bytes at the pace
// 115200 baud delivers them (10 bits a byte) for a fixed time, and charges the window's process
// (and the X server, when the window runs in one) the CPU time it used meanwhile, given per
// second of wire time. With `cutecom`, `xdotool` and an X server at hand, the same run is made for
// CuteCom in hex display on the same kind of line, and the ratio is printed.
//
//   build/bench/bench_streaming [--seconds 20] [--runs 1] [--pieces 23,115,576] [--offscreen]
//                               [--no-compare]
//
// Without --offscreen the window runs in an Xvfb server this program starts (offscreen when Xvfb
// is missing). Every run checks that the window counted and showed every byte written.

#include "mainwindow.h"
#include "messageboxes.h"
#include "ptypair.h"
#include "traffictextarea.h"
#include "glowbutton.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10;
constexpr int kSettleMs = 1000; // after start-up and after the stream, before the CPU is read

struct Options
{
    int seconds = 20;
    int runs = 1;
    std::vector<int> pieces{23, 115, 576};
    bool offscreen = false;
    bool compare = true;
};

class SilentMessages : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(const QString &text, const QString &, Icon,
                                     QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "window message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    }
};

void sleepMs(int ms)
{
    const timespec pause{ms / 1000, long(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

// User plus system CPU time of a process, all its threads, in seconds; nullopt when it is gone.
std::optional<double> processCpu(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return std::nullopt;
    // The command name in parentheses may hold spaces; the fields after it are plain.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

pid_t spawn(const std::vector<std::string> &argv, const std::vector<std::string> &environment)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string &assignment : environment)
        putenv(strdup(assignment.c_str()));
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

bool inPath(const char *program)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty();
}

// An Xvfb server on a free display, for as long as this object lives.
struct XServer
{
    pid_t pid = -1;
    std::string display;

    bool start()
    {
        for (int n = 90; n < 190; ++n) {
            const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
            if (access(lock.c_str(), F_OK) == 0 || access(socket.c_str(), F_OK) == 0)
                continue;
            display = ":" + std::to_string(n);
            pid = spawn({"Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, {});
            for (int waited = 0; waited < 10000; waited += 50) {
                if (access(socket.c_str(), F_OK) == 0)
                    return true;
                sleepMs(50);
            }
            stop(pid);
            pid = -1;
        }
        return false;
    }
    ~XServer() { stop(pid); }
};

// The window's side: opens COM1 (the pseudo-terminal), says "ready" on `reportFd`, and on a
// byte from `controlFd` reports the received counter and the receive area's length, then quits.
int runWindow(const QString &device, int controlFd, int reportFd)
{
    int argc = 1;
    char name[] = "meterdesk";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    PortMap map = PortMap::empty();
    map.set(1, device);
    SilentMessages messages;
    MainWindow window(map, messages);
    window.show();
    window.findChild<GlowButton *>(QStringLiteral("OpenCOomPort"))->Press();
    if (!window.port().PortOpen())
        return 1;
    auto *receiveArea = window.findChild<TrafficTextArea *>(QStringLiteral("RichTextBox2"));
    QSocketNotifier control(controlFd, QSocketNotifier::Read);
    QObject::connect(&control, &QSocketNotifier::activated, [&] {
        const std::string report = std::to_string(window.traffic().RxCount) + " " +
                                   std::to_string(receiveArea->text().size()) + "\n";
        [[maybe_unused]] const ssize_t written = write(reportFd, report.data(), report.size());
        app.quit();
    });
    [[maybe_unused]] const ssize_t written = write(reportFd, "ready\n", 6);
    return app.exec();
}

std::string readLine(int fd, int timeoutMs)
{
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, timeoutMs) <= 0 || read(fd, &c, 1) != 1)
            return {};
        line += c;
    }
    return line;
}

// Writes `piece`-byte pieces at 115200 baud for `seconds`; returns the bytes written.
qint64 stream(PtyPair &line, int piece, int seconds)
{
    QByteArray bytes(piece, Qt::Uninitialized);
    quint32 state = 0x2545F491;
    const double pieceNs = 1e9 * piece * kBitsPerByte / kBaud;
    const qint64 pieces = qint64(seconds * 1e9 / pieceNs);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    qint64 written = 0;
    for (qint64 i = 0; i < pieces; ++i) {
        const double dueNs = start.tv_nsec + (i + 1) * pieceNs;
        timespec due{start.tv_sec + time_t(dueNs / 1e9), long(std::fmod(dueNs, 1e9))};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
        }
        for (char &byte : bytes) {
            state = state * 1664525u + 1013904223u;
            byte = char(state >> 24);
        }
        if (!line.write(bytes))
            break;
        written += piece;
    }
    return written;
}

struct Sample
{
    double cpu = -1;  // CPU seconds per second of wire time, of the program
    double xCpu = -1; // the same for the X server, -1 without one
};

// CPU of `pid` and of the X server while `piece`-byte pieces stream for `seconds`.
Sample measure(pid_t pid, PtyPair &line, const XServer *x, int piece, int seconds, qint64 *written)
{
    sleepMs(kSettleMs);
    const auto cpu0 = processCpu(pid);
    const auto x0 = x ? processCpu(x->pid) : std::nullopt;
    *written = stream(line, piece, seconds);
    sleepMs(kSettleMs);
    const auto cpu1 = processCpu(pid);
    const auto x1 = x ? processCpu(x->pid) : std::nullopt;
    const double wire = double(*written) * kBitsPerByte / kBaud;
    Sample s;
    if (cpu0 && cpu1 && wire > 0)
        s.cpu = (*cpu1 - *cpu0) / wire;
    if (x0 && x1 && wire > 0)
        s.xCpu = (*x1 - *x0) / wire;
    return s;
}

std::optional<Sample> runMeterDesk(const XServer *x, int piece, int seconds)
{
    PtyPair line;
    int control[2], report[2];
    if (!line.isOpen() || pipe(control) != 0 || pipe(report) != 0)
        return std::nullopt;
    const pid_t pid = fork();
    if (pid == 0) {
        if (x) {
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("DISPLAY", x->display.c_str(), 1);
        } else {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        _exit(runWindow(line.slavePath(), control[0], report[1]));
    }
    std::optional<Sample> sample;
    qint64 written = 0;
    if (readLine(report[0], 15000) == "ready\n") {
        sample = measure(pid, line, x, piece, seconds, &written);
        [[maybe_unused]] const ssize_t n = write(control[1], "q", 1);
        long long rxCount = -1, textLength = -1;
        std::sscanf(readLine(report[0], 15000).c_str(), "%lld %lld", &rxCount, &textLength);
        if (rxCount != written || textLength != 3 * written) {
            std::fprintf(stderr, "window counted %lld and showed %lld characters of %lld bytes\n",
                         rxCount, textLength, static_cast<long long>(written));
            sample.reset();
        }
    } else {
        std::fprintf(stderr, "the window did not open the pseudo-terminal\n");
    }
    waitpid(pid, nullptr, 0);
    for (int fd : {control[0], control[1], report[0], report[1]})
        close(fd);
    return sample;
}

// Whether process `pid` holds `device` open.
bool holdsOpen(pid_t pid, const QString &device)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/fd/";
    for (int fd = 0; fd < 256; ++fd) {
        char target[256] = {};
        const ssize_t n = readlink((dir + std::to_string(fd)).c_str(), target, sizeof target - 1);
        if (n > 0 && device == QString::fromLocal8Bit(target, n))
            return true;
    }
    return false;
}

int runQuiet(const std::vector<std::string> &argv, const std::vector<std::string> &environment)
{
    int status = 0;
    waitpid(spawn(argv, environment), &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// CuteCom on the same kind of line: a session naming the device at 115200 8N1, then "Hex output"
// and "Open" clicked in its window (placed at the screen's corner, there is no window manager).
// The modem-line shim keeps the port open on a pseudo-terminal.
std::optional<Sample> runCuteCom(const XServer &x, const std::string &shim, int piece, int seconds)
{
    PtyPair line;
    if (!line.isOpen())
        return std::nullopt;
    char home[] = "/tmp/bench_streaming.XXXXXX";
    if (!mkdtemp(home))
        return std::nullopt;
    const std::string config = std::string(home) + "/.config/CuteCom";
    runQuiet({"mkdir", "-p", config}, {});
    for (const char *file : {"/CuteCom.conf", "/CuteCom5.conf"}) {
        std::ofstream(config + file) << "[sessions]\n1\\BaudRate=115200\n1\\DataBits=8\n"
                                     << "1\\Device=" << line.slavePath().toStdString() << "\n"
                                     << "1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n"
                                     << "1\\StopBits=1\n1\\autoReconnect=false\n"
                                     << "1\\name=Default\n1\\showCtrlCharacters=false\n"
                                     << "1\\showTimestamp=false\nsize=1\n";
    }
    const std::vector<std::string> xEnv{"DISPLAY=" + x.display};
    const pid_t pid = spawn({"cutecom"}, {"DISPLAY=" + x.display, "HOME=" + std::string(home),
                                          "XDG_CONFIG_HOME=" + config.substr(0, config.rfind('/')),
                                          "LD_PRELOAD=" + shim, "QT_QPA_PLATFORM=xcb"});
    std::optional<Sample> sample;
    const std::string pidText = std::to_string(pid);
    if (runQuiet(
            {"xdotool", "search", "--sync", "--onlyvisible", "--pid", pidText, "--name", "CuteCom"},
            xEnv) == 0) {
        sleepMs(kSettleMs);
        runQuiet({"xdotool", "mousemove", "101", "640", "click", "1"}, xEnv); // Hex output
        runQuiet({"xdotool", "mousemove", "50", "43", "click", "1"}, xEnv);   // Open
        sleepMs(kSettleMs);
        if (holdsOpen(pid, line.slavePath())) {
            qint64 written = 0;
            sample = measure(pid, line, &x, piece, seconds, &written);
        } else {
            std::fprintf(stderr, "CuteCom did not open the pseudo-terminal\n");
        }
    }
    stop(pid);
    runQuiet({"rm", "-rf", home}, {});
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

std::string describe(const std::vector<double> &values)
{
    if (values.empty() || values.front() < 0)
        return "      -       ";
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    char text[64];
    std::snprintf(text, sizeof text, "%6.3f [%5.3f-%5.3f]", median(values), *low, *high);
    return text;
}

Options parse(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) {
            options.seconds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--runs" && hasValue) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--pieces" && hasValue) {
            options.pieces.clear();
            std::istringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');)
                options.pieces.push_back(std::max(1, std::atoi(item.c_str())));
        } else if (arg == "--offscreen") {
            options.offscreen = true;
        } else if (arg == "--no-compare") {
            options.compare = false;
        } else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parse(argc, argv);
    std::signal(SIGPIPE, SIG_IGN);

    XServer xServer;
    const bool useX = !options.offscreen && inPath("Xvfb") && xServer.start();
    const XServer *x = useX ? &xServer : nullptr;
    std::string shim = std::string(argv[0]);
    shim = shim.substr(0, shim.rfind('/') + 1) + "libmodemlines_shim.so";
    const bool compare = options.compare && useX && inPath("cutecom") && inPath("xdotool") &&
                         access(shim.c_str(), R_OK) == 0;
    std::printf("%d s at %d baud per run, %d run(s), window %s; CuteCom %s\n", options.seconds,
                kBaud, options.runs, useX ? ("in Xvfb " + xServer.display).c_str() : "offscreen",
                compare ? "compared" : "not compared (needs Xvfb, cutecom and xdotool)");
    std::printf("CPU seconds per second of wire time: median [lowest-highest]\n");
    std::printf("%6s %-10s %-22s %-22s\n", "piece", "program", "process", "X server");
    std::fflush(stdout); // the children must not inherit buffered output

    bool ok = true;
    for (const int piece : options.pieces) {
        std::vector<double> mine, mineX, theirs, theirsX;
        for (int run = 0; run < options.runs; ++run) {
            if (const auto s = runMeterDesk(x, piece, options.seconds)) {
                mine.push_back(s->cpu);
                mineX.push_back(s->xCpu);
            } else {
                ok = false;
            }
            if (!compare)
                continue;
            if (const auto s = runCuteCom(xServer, shim, piece, options.seconds)) {
                theirs.push_back(s->cpu);
                theirsX.push_back(s->xCpu);
            }
        }
        std::printf("%6d %-10s %-22s %-22s\n", piece, "MeterDesk", describe(mine).c_str(),
                    describe(mineX).c_str());
        std::fflush(stdout);
        if (theirs.empty())
            continue;
        std::printf("%6d %-10s %-22s %-22s\n", piece, "CuteCom", describe(theirs).c_str(),
                    describe(theirsX).c_str());
        std::printf("%6d %-10s %6.2f                 %6.2f\n", piece, "ratio",
                    median(mine) / median(theirs), useX ? median(mineX) / median(theirsX) : 0.0);
        std::fflush(stdout);
    }
    return ok ? 0 : 1;
}
