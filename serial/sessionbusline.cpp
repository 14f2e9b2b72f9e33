#include "sessionbusline.h"

#include "conversions.h"
#include "mbus.h"
#include "metersession.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstring>

SessionBusLine::SessionBusLine(MeterSession &session) : m_session(session)
{
    m_clock.start();
}

void SessionBusLine::abort()
{
    m_aborted = true;
    if (m_loop)
        m_loop->quit();
}

MbusResult SessionBusLine::exchange(const QByteArray &request, int timeoutMs)
{
    if (m_aborted)
        return {MbusAnswer::None, {}, nowMs(), 0};
    TrafficState &traffic = m_session.traffic();
    const qsizetype size = std::min<qsizetype>(request.size(), TrafficState::kTxBufSize);
    std::memcpy(traffic.TxBuf.data(), request.constData(), size_t(size));

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    // The time-out counts from the request's last byte, which leaves the port once written: at
    // 11 bits a byte it is on the line after the request's transmission time.
    const int baud = std::max(1, LeadingNumber(m_session.comm().Settings()));
    MbusAnswerWait wait(request, timeoutMs, nowMs() + size * 11 * 1000 / baud);
    // The loop ends only when the answer is complete or due, so that anything else ending it
    // (abort(), the application quitting) tells itself apart.
    const auto rearm = [&] {
        if (wait.done(nowMs()))
            loop.quit();
        else
            deadline.start(int(std::max<qint64>(1, wait.deadline() - nowMs())));
    };
    QObject::connect(&deadline, &QTimer::timeout, &loop, rearm);
    const QMetaObject::Connection received =
        QObject::connect(&m_session, &MeterSession::received, [&](const QByteArray &bytes) {
            wait.feed(bytes, nowMs());
            rearm();
        });
    traffic.SendFrame(kReplyMbus, int(size) - 1, true);
    rearm();
    if (!wait.done(nowMs())) {
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    QObject::disconnect(received);
    if (!wait.done(nowMs()))
        m_aborted = true;
    if (m_aborted)
        return {MbusAnswer::None, {}, nowMs(), 0};
    return {wait.answer(), wait.bytes(), nowMs(), 0};
}
