#pragma once

#include "busmaster.h"

#include <QElapsedTimer>

class MeterSession;
class QEventLoop;

// The bus master's line over the meter session: each request goes out through the session's
// send step (shown, counted and logged like the window's own requests, with the M-Bus reply
// recognizer armed so a checked reply is decoded as usual), and the session's received bytes
// are waited on as MbusAnswerWait says, in a local event loop.
class SessionBusLine : public MbusLine
{
public:
    explicit SessionBusLine(MeterSession &session);

    MbusResult exchange(const QByteArray &request, int timeoutMs) override;
    qint64 nowMs() const override { return m_clock.elapsed(); }

    // Ends the wait under way at once, with no answer, and lets no later request out: the work
    // over this line is given up. A wait that the application's quitting ends counts as aborted
    // too.
    void abort();
    bool aborted() const { return m_aborted; }

private:
    MeterSession &m_session;
    QElapsedTimer m_clock;
    QEventLoop *m_loop = nullptr;
    bool m_aborted = false;
};
