#include "captionpacer.h"

#include "glowbutton.h"
#include "traffictextarea.h"

namespace {

// The limit when no new text comes with a caption (longer than the area waits between frames
// while streaming).
constexpr int kCaptionDelayMs = 120;

} // namespace

CaptionPacer::CaptionPacer(GlowButton *counter, TrafficTextArea *area, QObject *parent)
    : QObject(parent), m_counter(counter)
{
    m_delay.setSingleShot(true);
    connect(area, &TrafficTextArea::appendsShown, this, &CaptionPacer::showNow);
    connect(&m_delay, &QTimer::timeout, this, &CaptionPacer::showNow);
}

void CaptionPacer::setCaption(const QString &text)
{
    m_caption = text;
    if (!m_delay.isActive())
        m_delay.start(kCaptionDelayMs);
}

void CaptionPacer::showNow()
{
    if (!m_delay.isActive())
        return;
    m_delay.stop();
    m_counter->SetCaption(m_caption);
}
