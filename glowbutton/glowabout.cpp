#include "glowabout.h"

#include "glowbutton.h"
#include "glowcanvas.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QString kAuthor = QStringLiteral("MeterDesk developers");
const QString kAddress = QStringLiteral("meterdesk.example.org");

QFont verdana(double points, bool bold = false, bool underline = false)
{
    QFont f(QStringLiteral("Verdana"));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

// A text line left-aligned and centred between `top` and `bottom`, which may come in either
// order; nothing is clipped.
QRect lineRect(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, std::min(top, bottom)), QPoint(right - 1, std::max(top, bottom) - 1));
}

} // namespace

const QRect GlowAbout::kCloseRect(QPoint(290, 80), QPoint(360, 106));

GlowAbout::GlowAbout(GlowButton *owner) : QWidget(owner), m_owner(owner)
{
    setFont(verdana(8.25));
    setFixedSize(kWidth, kHeight);
    hide();
}

void GlowAbout::ShowAbout(const QString &version)
{
    m_version = version;
    m_pressed = false;
    setParent(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("About GlowButton ") + version);
    render();
    show();
    raise();
}

void GlowAbout::render()
{
    const SystemColors &colors = m_owner->Host().Colors();
    m_image = QImage(kWidth, kHeight, QImage::Format_RGB32);
    GlowCanvas canvas(m_image);
    canvas.Fill(colors.SysColor(15));
    const GlowColor text = colors.SysColor(18);
    const int line = kTextVCenter | kTextSingleLine;
    canvas.Text(QStringLiteral("GlowButton"), lineRect(20, 10, 220, 40), line, verdana(18), text);
    canvas.Text(QStringLiteral("Version ") + m_version, lineRect(160, 70, 300, 20), line,
                verdana(10), text);
    canvas.Text(kAuthor, lineRect(20, 110, 250, 20), line, verdana(10, true), text);
    canvas.Text(kAddress, lineRect(20, 140, 250, 20), line, verdana(10), text);
    renderClose();
}

void GlowAbout::renderClose()
{
    const SystemColors &colors = m_owner->Host().Colors();
    const GlowColor face = colors.SysColor(15);
    const GlowColor shadow = colors.SysColor(16);
    GlowCanvas canvas(m_image);
    const GlowColor light = GlowOffset(face, 15);
    const GlowColor dark = GlowOffset(face, -15);
    if (m_pressed)
        canvas.VerticalGradient(dark, light, 290, 80, 360, 26);
    else
        canvas.VerticalGradient(light, dark, 290, 80, 360, 26);
    static constexpr int kFrame[][4] = {
        {292, 80, 358, 80},  {292, 80, 290, 82},  {358, 80, 360, 82},  {290, 82, 290, 104},
        {360, 82, 360, 106}, {290, 104, 292, 106}, {360, 104, 357, 107}, {292, 106, 358, 106},
    };
    for (const auto &l : kFrame)
        canvas.Line(l[0], l[1], l[2], l[3], shadow);
    static constexpr int kCorners[][2] = {
        {290, 80},  {291, 80},  {290, 81},  {360, 80},  {359, 80},  {360, 81},
        {290, 106}, {291, 106}, {290, 105}, {360, 106}, {359, 106}, {360, 105},
    };
    for (const auto &p : kCorners)
        canvas.SetPixel(p[0], p[1], face);
    const QRect caption(QPoint(290, 80), QPoint(359, 105));
    const int centred = kTextCenter | kTextVCenter | kTextSingleLine;
    if (m_pressed)
        canvas.Text(QStringLiteral("Close"), caption, centred, verdana(8, false, true),
                    GlowRgb(0, 0, 255));
    else
        canvas.Text(QStringLiteral("Close"), caption, centred, verdana(10),
                    colors.SysColor(18));
}

void GlowAbout::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        render();
    QPainter(this).drawImage(0, 0, m_image);
}

void GlowAbout::mousePressEvent(QMouseEvent *)
{
    m_pressed = true;
    renderClose();
    update();
}

void GlowAbout::mouseReleaseEvent(QMouseEvent *e)
{
    if (rect().contains(e->position().toPoint()))
        hide();
}
