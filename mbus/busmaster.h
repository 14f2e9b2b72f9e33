#pragma once

#include "mbuslink.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// What one request brought back, after retries.
struct MbusResult
{
    MbusAnswer answer = MbusAnswer::None;
    QByteArray bytes; // the answer as received (E5, the frame, or the colliding bytes)
    qint64 atMs = 0;  // the line's clock when the answer ended
    int attempts = 0;
};

// The line a bus master talks over. exchange() sends `request` and waits for its answer as
// MbusAnswerWait says; nowMs() is the clock the time-outs run on.
class MbusLine
{
public:
    virtual ~MbusLine() = default;
    virtual MbusResult exchange(const QByteArray &request, int timeoutMs) = 0;
    virtual qint64 nowMs() const = 0;
};

// The SND_UD-type commands' outcome as told to the technician.
QString MbusAnswerName(MbusAnswer answer);

// A meter a scan found, or an address where meters collided.
struct MbusFoundMeter
{
    int primary = -1; // -1 when found by its secondary address
    MbusSecondaryAddress address;
    bool collision = false; // several meters answered at `primary`; `address` is unknown
    QString how;            // "nke", "ud2" or "secondary"
    qint64 atMs = 0;
    int answerBytes = 0; // the size of the answer it was found by
};

// Every telegram of one meter, read with FCB toggling until one without DIF 1F.
struct MbusTelegrams
{
    QList<QByteArray> frames;
    MbusResult last;           // the answer that ended the read (a frame when all went well)
    bool boundReached = false; // the meter still had more when the bound was reached
    qint64 firstAtMs = 0;
};

struct MbusBusOptions
{
    int timeoutMs = 0; // wait for the first answer byte; MbusReplyTimeoutMs of the baud rate
    int retries = 1;   // further attempts after no answer
    // Further attempts after no answer to a scan's probe: there silence is the usual answer, and
    // each retry would add a time-out to every empty address.
    int probeRetries = 0;
    int maxTelegrams = 16;
};

enum class MbusScanMethod { Nke, Ud2 };

// An EN 13757-2 bus master on one line: requests with retries, multi-telegram reads, selection
// by secondary address, the service commands, a primary scan and a secondary wildcard search.
// Scans report progress and stop early when cancel() is called (from a progress callback or
// from the event loop the line runs while it waits).
class MbusBusMaster
{
public:
    // `done` probes so far, the address or mask being probed.
    using Progress = std::function<void(int done, int total, const QString &current)>;

    MbusBusMaster(MbusLine &line, const MbusBusOptions &options);

    void setProgress(Progress progress) { m_progress = std::move(progress); }
    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // Requests sent so far, retries included.
    int requestCount() const { return m_requests; }

    MbusResult request(const QByteArray &frame) { return request(frame, m_options.retries); }
    MbusResult request(const QByteArray &frame, int retries);
    // SND_NKE to the primary address (or FD: deselects).
    MbusResult ping(std::uint8_t address) { return request(MbusSndNke(address)); }
    MbusResult select(const MbusSecondaryAddress &mask) { return request(MbusSelect(mask)); }
    MbusTelegrams readAll(std::uint8_t address);
    // Selects the meter and reads every telegram through FD; `last` is the selection's answer
    // when it was not acknowledged.
    MbusTelegrams readSecondary(const MbusSecondaryAddress &address);
    // Sends the SND_UD `frame` to the primary address, or to FD after selecting `secondary`.
    MbusResult command(std::optional<MbusSecondaryAddress> secondary,
                       const std::function<QByteArray(std::uint8_t)> &frame, std::uint8_t primary);

    QList<MbusFoundMeter> scanPrimary(int from, int to, MbusScanMethod method);
    QList<MbusFoundMeter> searchSecondary(const MbusSecondaryAddress &mask);

private:
    void probe(const MbusSecondaryAddress &mask, int field, QList<MbusFoundMeter> &found);
    void refine(const MbusSecondaryAddress &mask, int field, QList<MbusFoundMeter> &found);
    void addFound(const MbusResult &frame, QList<MbusFoundMeter> &found);
    void report(const QString &current);

    MbusLine &m_line;
    MbusBusOptions m_options;
    Progress m_progress;
    bool m_cancelled = false;
    int m_requests = 0;
    int m_probes = 0;
    int m_total = 0;
};
