#include "glowbutton.h"

#include "glowabout.h"
#include "glowbuttonaccessible.h"
#include "glowfacts.h"
#include "glowgeometry.h"
#include "glowpropertybag.h"
#include "glowtooltip.h"

#include <QAccessible>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

#include <utility>

namespace {

constexpr int kLeftButton = 1;

// Mouse button codes as the notifications carry them.
int buttonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// The control's font is Verdana. Where it is missing, DejaVu Sans has close metrics, and
// WenQuanYi Micro Hei draws the Chinese captions.
void registerFontSubstitutes()
{
    static const bool done = [] {
        if (!QFontDatabase::hasFamily(QStringLiteral("Verdana"))) {
            QFont::insertSubstitutions(
                QStringLiteral("Verdana"),
                {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
        }
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

GlowButton::GlowButton(QWidget *parent) : QWidget(parent), m_ownHost(this)
{
    InstallGlowButtonAccessibility();
    registerFontSubstitutes();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont surfaceFont(QStringLiteral("Verdana"));
    surfaceFont.setPointSizeF(8.25);
    QWidget::setFont(surfaceFont);
    m_props.font = surfaceFont;
    // A button neither placed nor loaded yet has no icon size and no mask colour.
    m_props.iconSize = 0;
    m_props.maskColor = 0;
    m_surfaceBackColor = sys(kSysButtonFace);
    m_about = new GlowAbout(this);
}

GlowButton::~GlowButton()
{
    m_hooks.StopAll();
    destroyToolTipWindow();
    delete m_about;
}

void GlowButton::SetHost(GlowHost *host)
{
    m_host = host;
}

// --- public operations -------------------------------------------------------------------

void GlowButton::About()
{
    m_about->ShowAbout(Version());
}

int GlowButton::OpenLink(const QString &sLink)
{
    // Results as the desktop shell reports them: above 32 success, 2 "not found".
    const QUrl url = QUrl::fromUserInput(sLink);
    return url.isValid() && QDesktopServices::openUrl(url) ? 42 : 2;
}

bool GlowButton::PaintIconGrayscale(QImage *Dest_hDC, const QImage *hIcon, int Dest_X, int Dest_Y,
                                    int Dest_Height, int Dest_Width)
{
    return ::PaintIconGrayscale(Dest_hDC, hIcon, Dest_X, Dest_Y, Dest_Height, Dest_Width);
}

void GlowButton::SubclassProc(bool bBefore, bool &bHandled, qintptr &lReturn, QWidget *lng_hWnd,
                              int uMsg, qintptr wParam, qintptr lParam)
{
    Q_UNUSED(bBefore);
    Q_UNUSED(bHandled);
    Q_UNUSED(lReturn);
    Q_UNUSED(lng_hWnd);
    Q_UNUSED(wParam);
    Q_UNUSED(lParam);
    switch (uMsg) {
    case kMsgMouseMove:
        if (m_pointerInside)
            return;
        m_pointerInside = true;
        requestMouseLeave();
        m_state = kStateHot;
        Refresh();
        emit MouseEnter();
        createToolTip();
        return;
    case kMsgMouseLeave:
        pointerLeft();
        return;
    case kMsgThemeChanged:
    case kMsgColorsChanged:
        Refresh();
        return;
    default:
        return;
    }
}

void GlowButton::pointerLeft()
{
    // Only a requested leave notification arrives, once per request.
    if (!m_leaveRequested)
        return;
    m_leaveRequested = false;
    m_pointerInside = false;
    m_state = kStateNormal;
    destroyToolTip();
    Refresh();
    emit MouseLeave();
}

void GlowButton::installHooks()
{
    m_hooks.StartHooking(this);
    for (int message : {kMsgMouseMove, kMsgMouseLeave, kMsgThemeChanged, kMsgColorsChanged})
        m_hooks.AddMessage(this, message, kHookAfter);
    setMouseTracking(true);
}

// --- layout and painting -----------------------------------------------------------------

void GlowButton::resizeProcedure()
{
    if (m_inResize)
        return;
    m_inResize = true;
    const QSize clamped = GlowClampSize(size());
    if (clamped != size())
        resize(clamped);
    m_inResize = false;
    m_captionFormat = GlowCaptionFormat(m_props.captionAlign, m_captionFormat);
    setMask(GlowShape(m_props.style, width(), height()));
    Refresh();
}

GlowFacts GlowButton::facts() const
{
    GlowFacts f;
    static_cast<GlowProperties &>(f) = m_props;
    f.width = width();
    f.height = height();
    f.state = m_state;
    f.shown = m_shown;
    f.runMode = Host().RunMode();
    f.hasFocus = m_hasFocus;
    f.displayAsDefault = Host().DisplayAsDefault();
    f.surfaceBackColor = m_surfaceBackColor;
    f.captionFormat = m_captionFormat;
    return f;
}

void GlowButton::Refresh()
{
    const QSize s = size().expandedTo(QSize(1, 1));
    if (m_surface.size() != s)
        m_surface = QImage(s, QImage::Format_RGB32);
    if (m_scratch.width() < s.width() || m_scratch.height() < s.height())
        m_scratch = QImage(s.expandedTo(m_scratch.size()), QImage::Format_RGB32);
    const GlowRepaint r =
        RefreshGlowButton(m_surface, m_scratch, facts(), Host().Colors(), Host().Theme());
    m_state = r.state;
    m_props.style = r.style;
    m_surfaceBackColor = r.surfaceBackColor;
    update();
}

void GlowButton::paintEvent(QPaintEvent *)
{
    if (m_surface.size() != size())
        Refresh();
    QPainter(this).drawImage(0, 0, m_surface);
}

void GlowButton::resizeEvent(QResizeEvent *)
{
    resizeProcedure();
}

// --- notifications -------------------------------------------------------------------------

bool GlowButton::event(QEvent *e)
{
    if (e->type() == QEvent::Shortcut) {
        const auto *shortcut = static_cast<QShortcutEvent *>(e);
        if (m_accessKeyId != 0 && shortcut->shortcutId() == m_accessKeyId) {
            accessKey();
            return true;
        }
    }
    // A disabled button takes no mouse input: it neither turns hot nor shows its tooltip.
    const int message =
        e->type() == QEvent::MouseMove && !isEnabled() ? 0 : GlowMessageOf(e->type());
    bool handled = false;
    qintptr result = 0;
    if (m_hooks.Wants(this, message, kHookBefore)) {
        SubclassProc(true, handled, result, this, message, 0, 0);
        if (handled)
            return result != 0;
    }
    const bool own = QWidget::event(e);
    if (m_hooks.Wants(this, message, kHookAfter)) {
        // The window's own result is handed in and returned unchanged.
        result = own;
        qintptr lParam = 0;
        if (e->type() == QEvent::MouseMove) {
            const QPoint p = static_cast<QMouseEvent *>(e)->position().toPoint();
            lParam = qintptr((p.y() & 0xFFFF) << 16 | (p.x() & 0xFFFF));
        }
        SubclassProc(false, handled, result, this, message, 0, lParam);
    }
    return own;
}

void GlowButton::showEvent(QShowEvent *)
{
    m_shown = true;
    Refresh();
}

void GlowButton::hideEvent(QHideEvent *)
{
    m_shown = false;
    // Hands the tooltip text back to the host; a tooltip window of a hidden button goes too.
    destroyToolTip();
}

void GlowButton::focusInEvent(QFocusEvent *)
{
    m_hasFocus = true;
    Refresh();
}

void GlowButton::focusOutEvent(QFocusEvent *)
{
    m_hasFocus = false;
    Refresh();
}

void GlowButton::mousePressEvent(QMouseEvent *e)
{
    mouseDown(buttonCode(e->button()));
}

void GlowButton::mouseReleaseEvent(QMouseEvent *e)
{
    const int code = buttonCode(e->button());
    mouseUp(code);
    const QPoint p = e->position().toPoint();
    const bool over = rect().contains(p) && (mask().isEmpty() || mask().contains(p));
    const bool skip = std::exchange(m_skipNextClick, false);
    if (code == kLeftButton && over && !skip)
        clickProcedure();
    // The pointer left while the button held the mouse grab, so no leave arrived then: the
    // release outside ends the hover, or the button would stay hot until the next visit.
    if (!over)
        pointerLeft();
}

void GlowButton::mouseDoubleClickEvent(QMouseEvent *)
{
    // Stands in for the second press; its release raises no second Click.
    m_skipNextClick = true;
    if (m_lastButton == kLeftButton)
        mouseDown(kLeftButton);
}

void GlowButton::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space) {
        // Held down, the key repeats; one press is one click.
        if (!e->isAutoRepeat()) {
            mouseDown(kLeftButton);
            performClick();
        }
        return;
    }
    const QString text = e->text();
    const char16_t ch = text.size() == 1 ? text.at(0).unicode() : 0;
    switch (ch) {
    case u'\r':
        return;
    case u'\'':
        focusNextChild();
        return;
    case u'%':
        focusPreviousChild();
        return;
    default:
        QWidget::keyPressEvent(e);
    }
}

void GlowButton::keyReleaseEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Space) {
        if (!e->isAutoRepeat())
            mouseUp(kLeftButton);
        return;
    }
    QWidget::keyReleaseEvent(e);
}

void GlowButton::mouseDown(int button)
{
    if (button != kLeftButton)
        return;
    m_state = kStatePressed;
    Refresh();
}

void GlowButton::mouseUp(int button)
{
    if (button == kLeftButton) {
        m_state = (m_props.buttonType != 1 || m_props.value) ? kStateHot : kStatePressed;
        Refresh();
    }
    m_lastButton = button;
}

void GlowButton::clickProcedure()
{
    if (m_lastButton == kLeftButton)
        performClick();
}

void GlowButton::performClick()
{
    if (m_props.buttonType == 1)
        m_props.value = !m_props.value;
    m_state = kStateHot;
    Refresh();
    emit Click();
}

void GlowButton::accessKey()
{
    clickProcedure();
    m_state = kStateNormal;
}

void GlowButton::Press()
{
    performClick();
}

// --- tooltip -------------------------------------------------------------------------------

void GlowButton::createToolTip()
{
    // A tooltip that already exists holds the host's text: hand it back before taking it again,
    // or a second creation (the setter, then the pointer entering) would take an empty text.
    if (m_toolTip)
        destroyToolTip();
    m_props.toolTipText = Host().ToolTipText();
    Host().SetToolTipText(QString());
    const SystemColors &colors = Host().Colors();
    auto *tip = new GlowToolTip(this, m_props.toolTipType == 1, colors);
    tip->SetText(m_props.toolTipText);
    if (!m_props.toolTipTitle.isEmpty() || m_props.toolTipIcon != 0)
        tip->SetTitle(m_props.toolTipIcon, m_props.toolTipTitle);
    if (m_props.toolTipForeColor != 0)
        tip->SetTextColor(colors.Translate(m_props.toolTipForeColor));
    if (m_props.toolTipBackColor != 0)
        tip->SetBackColor(colors.Translate(m_props.toolTipBackColor));
    m_toolTip = tip;
    if (m_pointerInside)
        tip->Arm();
}

void GlowButton::destroyToolTip()
{
    Host().SetToolTipText(m_props.toolTipText);
    destroyToolTipWindow();
}

void GlowButton::destroyToolTipWindow()
{
    delete m_toolTip.data();
    m_toolTip = nullptr;
}

GlowToolTip *GlowButton::ToolTipWindow() const
{
    return m_toolTip;
}
