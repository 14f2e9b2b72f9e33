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

MbusResult SessionBusLine::exchange(const QByteArray &request, int timeoutMs)
{
    TrafficState &traffic = m_session.traffic();
    const qsizetype size = std::min<qsizetype>(request.size(), TrafficState::kTxBufSize);
    std::memcpy(traffic.TxBuf.data(), request.constData(), size_t(size));

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The time-out counts from the request's last byte, which leaves the port once written: at
    // 11 bits a byte it is on the line after the request's transmission time.
    const int baud = std::max(1, LeadingNumber(m_session.comm().Settings()));
    MbusAnswerWait wait(request, timeoutMs, nowMs() + size * 11 * 1000 / baud);
    const auto rearm = [&] {
        if (wait.done(nowMs()))
            loop.quit();
        else
            deadline.start(int(std::max<qint64>(0, wait.deadline() - nowMs())));
    };
    const QMetaObject::Connection received =
        QObject::connect(&m_session, &MeterSession::received, [&](const QByteArray &bytes) {
            wait.feed(bytes, nowMs());
            rearm();
        });
    traffic.SendFrame(kReplyMbus, int(size) - 1, true);
    rearm();
    if (!wait.done(nowMs()))
        loop.exec();
    QObject::disconnect(received);
    return {wait.answer(), wait.bytes(), nowMs(), 0};
}
