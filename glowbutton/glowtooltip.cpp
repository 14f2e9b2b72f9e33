#include "glowtooltip.h"

#include "systemcolors.h"

#include <QBitmap>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int kPad = 6;
constexpr int kIconSide = 16;
constexpr int kPointerHeight = 12; // the balloon's pointer below its top edge
constexpr int kPointerX = 16;      // where the pointer leaves the balloon body
constexpr int kCornerRadius = 8;

QStyle::StandardPixmap iconPixmap(int icon)
{
    switch (icon) {
    case 1:
        return QStyle::SP_MessageBoxInformation;
    case 2:
        return QStyle::SP_MessageBoxWarning;
    default:
        return QStyle::SP_MessageBoxCritical;
    }
}

} // namespace

GlowToolTip::GlowToolTip(QWidget *owner, bool balloon, const SystemColors &colors)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      m_balloon(balloon), m_textColor(ToQColor(colors.SysColor(kSysToolTipText))),
      m_backColor(ToQColor(colors.SysColor(kSysToolTipBack)))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    m_delay.setSingleShot(true);
    m_delay.setInterval(kShowDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] { showAt(QCursor::pos()); });
}

void GlowToolTip::SetText(const QString &text)
{
    m_text = text;
}

void GlowToolTip::SetTitle(int icon, const QString &title)
{
    m_hasTitle = true;
    m_icon = icon;
    m_title = title;
}

void GlowToolTip::SetTextColor(GlowColor c)
{
    m_textColor = ToQColor(c);
}

void GlowToolTip::SetBackColor(GlowColor c)
{
    m_backColor = ToQColor(c);
}

void GlowToolTip::Arm()
{
    if (!m_text.isEmpty())
        m_delay.start();
}

QFont GlowToolTip::titleFont() const
{
    QFont f = font();
    f.setBold(true);
    return f;
}

// The text block without the balloon pointer: title row (icon and bold title) over the text.
QRect GlowToolTip::bodyRect() const
{
    const QFontMetrics text(font());
    const QRect textBox = text.boundingRect(QRect(0, 0, 400, 1000), Qt::TextWordWrap, m_text);
    int width = textBox.width();
    int height = textBox.height();
    if (m_hasTitle && (m_icon != 0 || !m_title.isEmpty())) {
        const int iconWidth = m_icon != 0 ? kIconSide + kPad : 0;
        const QFontMetrics title(titleFont());
        width = std::max(width, iconWidth + title.horizontalAdvance(m_title));
        height += std::max(kIconSide, title.height()) + kPad;
    }
    const int top = m_balloon ? kPointerHeight : 0;
    return QRect(0, top, width + 2 * kPad + 1, height + 2 * kPad + 1);
}

QPolygon GlowToolTip::outline() const
{
    const QRect body = bodyRect();
    if (!m_balloon)
        return QPolygon(body);
    QPainterPath path;
    path.addRoundedRect(body, kCornerRadius, kCornerRadius);
    QPainterPath pointer;
    pointer.moveTo(kPointerX, body.top() + 1);
    pointer.lineTo(kPointerX - kPointerHeight / 2, 0);
    pointer.lineTo(kPointerX + kPointerHeight, body.top() + 1);
    pointer.closeSubpath();
    return path.united(pointer).toFillPolygon().toPolygon();
}

QRegion GlowToolTip::shape() const
{
    // The window keeps exactly the pixels the fill and the outline paint. A region made from
    // the polygon alone leaves out its right and bottom edges, where the outline is drawn.
    QImage coverage(size(), QImage::Format_ARGB32);
    coverage.fill(Qt::transparent);
    QPainter p(&coverage);
    p.setPen(Qt::black);
    p.setBrush(Qt::black);
    p.drawPolygon(outline());
    p.end();
    return QRegion(QBitmap::fromImage(coverage.createAlphaMask()));
}

void GlowToolTip::showAt(const QPoint &globalPos)
{
    const QRect body = bodyRect();
    resize(body.width() + 1, body.bottom() + 2);
    setMask(shape());
    // A balloon's pointer ends just below the mouse position; a rectangle sits below the
    // pointer's image. Neither covers the hot spot, so the button keeps the pointer.
    QPoint topLeft = m_balloon ? globalPos + QPoint(kPointerHeight / 2 - kPointerX, 2)
                               : globalPos + QPoint(0, 20);
    if (const QScreen *screen = QGuiApplication::screenAt(globalPos)) {
        const QRect avail = screen->availableGeometry();
        topLeft.setX(
            std::clamp(topLeft.x(), avail.left(), std::max(avail.left(), avail.right() - width())));
        topLeft.setY(
            std::clamp(topLeft.y(), avail.top(), std::max(avail.top(), avail.bottom() - height())));
    }
    move(topLeft);
    show();
    raise();
}

void GlowToolTip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_backColor);
    p.setPen(m_textColor);
    p.drawPolygon(outline());
    QRect area = bodyRect().adjusted(kPad, kPad, -kPad, -kPad);
    if (m_hasTitle && (m_icon != 0 || !m_title.isEmpty())) {
        const QFontMetrics title(titleFont());
        const int row = std::max(kIconSide, title.height());
        int x = area.left();
        if (m_icon != 0) {
            const QPixmap icon = style()->standardIcon(iconPixmap(m_icon)).pixmap(kIconSide);
            p.drawPixmap(x, area.top() + (row - kIconSide) / 2, icon);
            x += kIconSide + kPad;
        }
        p.setFont(titleFont());
        p.drawText(QRect(x, area.top(), area.right() - x + 1, row), Qt::AlignVCenter, m_title);
        area.setTop(area.top() + row + kPad);
    }
    p.setFont(font());
    // Ampersands are shown as they are: no mnemonic processing.
    p.drawText(area, Qt::TextWordWrap, m_text);
}
