#include "poller.h"

#include "conversions.h"
#include "framebox.h"
#include "glowbutton.h"
#include "polltimer.h"
#include "windowwidgets.h"

#include <QApplication>
#include <QLineEdit>

using namespace WindowWidgets;

Poller::Poller(QWidget *page, const Names &names, std::function<bool()> portOpen,
               std::function<void()> warnClosed, QObject *parent)
    : QObject(parent), m_portOpen(std::move(portOpen)), m_warnClosed(std::move(warnClosed))
{
    m_timer = named(new PollTimer(page), QString::fromUtf8(names.timer));
    auto *polling = frame(page, QString::fromUtf8(names.frame), tr("连续读表"));
    auto *startButton = button(polling, QString::fromUtf8(names.start));
    auto *stopButton = button(polling, QString::fromUtf8(names.stop));
    m_intervalBox =
        textBox(polling, QString::fromUtf8(names.interval), QStringLiteral("1"), &KeepDigits, 3);
    setBackground(m_intervalBox, bgr(kIntervalWhite));
    label(polling, QString::fromUtf8(names.unit), tr("秒"));

    // The box's own text, not the signal's: the box's filter may have changed it since.
    connect(m_intervalBox, &QLineEdit::textChanged, this,
            [this] { m_timer->setInterval(LeadingNumber(m_intervalBox->text()) * 1000); });
    connect(startButton, &GlowButton::Click, this, &Poller::start);
    connect(stopButton, &GlowButton::Click, this, &Poller::stop);
}

void Poller::start()
{
    if (!m_portOpen())
        return m_warnClosed();
    emit started();
    m_timer->setEnabled(true);
    setBackground(m_intervalBox, bgr(kPollingGreen));
}

void Poller::stop()
{
    m_timer->setEnabled(false);
    setBackground(m_intervalBox, QApplication::palette().color(QPalette::Base));
}
