#include "glowbutton.h"

#include "glowabout.h"
#include "glowbuttonaccessible.h"
#include "glowfacts.h"
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

#include <algorithm>

namespace {

constexpr int kMinSide = 20; // pixels; the smallest button the resize procedure allows
constexpr int kLeftButton = 1;

// Mouse button codes as the notifications carry them.
int buttonCode(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

// The host's pointer codes 0..15 as Qt cursor shapes.
constexpr Qt::CursorShape kPointerShapes[] = {
    Qt::ArrowCursor,      Qt::ArrowCursor,     Qt::CrossCursor,     Qt::IBeamCursor,
    Qt::ArrowCursor,      Qt::SizeAllCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,
    Qt::SizeFDiagCursor,  Qt::SizeHorCursor,   Qt::UpArrowCursor,   Qt::WaitCursor,
    Qt::ForbiddenCursor,  Qt::BusyCursor,      Qt::WhatsThisCursor, Qt::SizeAllCursor,
};

// The control's font is Verdana. Where it is missing, DejaVu Sans has close metrics, and
// WenQuanYi Micro Hei draws the Chinese captions.
void registerFontSubstitutes()
{
    static const bool done = [] {
        if (!QFontDatabase::hasFamily(QStringLiteral("Verdana"))) {
            QFont::insertSubstitutions(QStringLiteral("Verdana"),
                                       {QStringLiteral("DejaVu Sans"),
                                        QStringLiteral("WenQuanYi Micro Hei")});
        }
        return true;
    }();
    Q_UNUSED(done);
}

qint32 asStored(GlowColor c) { return qint32(c); }
GlowColor readColor(const GlowPropertyBag &bag, const char *key, GlowColor fallback)
{
    return GlowColor(bag.ReadProperty(QLatin1String(key), asStored(fallback)).toInt());
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
    m_font = surfaceFont;
    m_surfaceBackColor = sys(15);
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

// --- persistence -------------------------------------------------------------------------

void GlowButton::InitProperties()
{
    m_style = 0;
    m_caption = Host().Name();
    loadIcon(QString());
    m_iconSize = 16;
    m_showFocus = false;
    m_useCustomColors = false;
    m_captionFormat = 17;
    m_enabled = true;
    QWidget::setEnabled(true);
    const SystemColors &colors = Host().Colors();
    m_backColor = colors.Translate(kSystemColorFlag | 15);
    m_highlightColor = colors.Translate(kSystemColorFlag | 13);
    m_fontColor = colors.Translate(kSystemColorFlag | 18);
    m_fontHighlightColor = colors.Translate(kSystemColorFlag | 18);
    m_toolTipType = 1;
    updateAccessKey();
}

void GlowButton::ReadProperties(const GlowPropertyBag &bag)
{
    const auto read = [&bag](const char *key, const QVariant &fallback) {
        return bag.ReadProperty(QLatin1String(key), fallback);
    };
    m_state = 1;
    loadIcon(read("Icon", QString()).toString());
    m_style = read("Style", 3).toInt();
    m_caption = read("Caption", QStringLiteral("GlowButton")).toString();
    m_iconSize = qint16(read("IconSize", 16).toInt());
    m_captionAlign = read("CaptionAlign", 0).toInt();
    m_iconAlign = read("IconAlign", 1).toInt();
    m_nonThemeStyle = read("iNonThemeStyle", 5).toInt();
    m_enabled = read("Enabled", true).toBool();
    m_showFocus = read("ShowFocus", false).toBool();
    m_useCustomColors = read("USeCustomColors", false).toBool();
    m_backColor = readColor(bag, "BackColor", sys(15));
    m_highlightColor = readColor(bag, "HighlightColor", sys(13));
    m_fontColor = readColor(bag, "FontColor", sys(18));
    m_fontHighlightColor = readColor(bag, "FontHighlightColor", sys(18));
    Host().SetToolTipText(read("ToolTipText", m_toolTipText).toString());
    m_toolTipText = read("ToolTipText", QString()).toString();
    m_toolTipTitle = read("Tooltiptitle", QString()).toString();
    m_toolTipIcon = qint16(read("ToolTipIcon", 0).toInt());
    m_toolTipType = qint16(read("ToolTipType", 1).toInt());
    // Crossed on purpose: stored windows rely on these fallbacks (a zero colour is never used).
    m_toolTipBackColor = readColor(bag, "ttBackColor", sys(23));
    m_toolTipForeColor = readColor(bag, "ttForeColor", sys(24));
    m_font = FontFromText(read("Font", FontText(font())).toString(), font());
    QWidget::setFont(m_font);
    m_buttonType = read("ButtonType", 0).toInt();
    m_value = read("Value", false).toBool();
    m_useMaskColor = read("UseMaskColor", false).toBool();
    m_maskColor = readColor(bag, "MaskColor", 0xC0C0C0);
    applyPointer(qint16(read("MousePointer", 0).toInt()));

    QWidget::setEnabled(m_enabled);
    updateAccessKey();
    if (Host().RunMode()) {
        m_hoverTracking = Host().HoverTrackingService();
        if (m_hoverTracking)
            installHooks();
    }
    resizeProcedure();
}

void GlowButton::WriteProperties(GlowPropertyBag &bag) const
{
    const auto write = [&bag](const char *key, const QVariant &value,
                              const QVariant &defaultValue = QVariant()) {
        bag.WriteProperty(QLatin1String(key), value, defaultValue);
    };
    const auto color = [&write](const char *key, GlowColor value, GlowColor defaultValue) {
        write(key, asStored(value), asStored(defaultValue));
    };
    write("Icon", m_iconPath);
    write("Style", m_style, 3);
    write("Caption", m_caption, QString());
    write("IconSize", int(m_iconSize), 16);
    write("IconAlign", m_iconAlign, 1);
    write("CaptionAlign", m_captionAlign, 0);
    write("iNonThemeStyle", m_nonThemeStyle, 5);
    write("Enabled", m_enabled, true);
    write("ShowFocus", m_showFocus, false);
    write("USeCustomColors", m_useCustomColors, false);
    color("BackColor", m_backColor, sys(15));
    color("HighlightColor", m_highlightColor, sys(13));
    color("FontColor", m_fontColor, sys(18));
    color("FontHighlightColor", m_fontHighlightColor, sys(18));
    write("ToolTipText", m_toolTipText, Host().ToolTipText());
    write("Tooltiptitle", m_toolTipTitle);
    write("ToolTipIcon", m_toolTipIcon);
    write("ToolTipType", m_toolTipType);
    color("ttBackColor", m_toolTipBackColor, sys(23));
    color("ttForeColor", m_toolTipForeColor, sys(24));
    write("Font", FontText(m_font));
    write("ButtonType", m_buttonType, 0);
    write("Value", m_value, false);
    color("MaskColor", m_maskColor, 0xC0C0C0);
    write("UseMaskColor", m_useMaskColor, false);
    write("MousePointer", int(qint16(m_mousePointer)), 0);
}

QString GlowButton::FontText(const QFont &font)
{
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(font.family())
        .arg(font.pointSizeF())
        .arg(font.weight())
        .arg(int(font.italic()))
        .arg(int(font.underline()));
}

QFont GlowButton::FontFromText(const QString &text, const QFont &fallback)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool sizeOk = false;
    bool weightOk = false;
    const double size = parts.value(1).toDouble(&sizeOk);
    const int weight = parts.value(2).toInt(&weightOk);
    if (parts.size() != 5 || parts.at(0).isEmpty() || !sizeOk || size <= 0 || !weightOk)
        return fallback;
    QFont font(parts.at(0));
    font.setPointSizeF(size);
    font.setWeight(QFont::Weight(std::clamp(weight, 1, 1000)));
    font.setItalic(parts.at(3) == QLatin1String("1"));
    font.setUnderline(parts.at(4) == QLatin1String("1"));
    return font;
}

void GlowButton::AmbientChanged(const QString &name)
{
    if (name == QLatin1String("DisplayAsDefault"))
        Refresh();
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
        m_state = 2;
        Refresh();
        emit MouseEnter();
        createToolTip();
        return;
    case kMsgMouseLeave:
        // Only a requested leave notification arrives, once per request.
        if (!m_leaveRequested)
            return;
        m_leaveRequested = false;
        m_pointerInside = false;
        m_state = 1;
        destroyToolTip();
        Refresh();
        emit MouseLeave();
        return;
    case kMsgThemeChanged:
    case kMsgColorsChanged:
        Refresh();
        return;
    default:
        return;
    }
}

void GlowButton::installHooks()
{
    m_hooks.StartHooking(this);
    for (int message : {kMsgMouseMove, kMsgMouseLeave, kMsgThemeChanged, kMsgColorsChanged})
        m_hooks.AddMessage(this, message, kHookAfter);
    setMouseTracking(true);
}

// --- properties ----------------------------------------------------------------------------

template <typename T>
void GlowButton::store(T &field, const T &value, const char *name, After after)
{
    field = value;
    Host().PropertyChanged(QLatin1String(name));
    if (after == After::Relayout)
        resizeProcedure();
    else
        Refresh();
}

void GlowButton::SetStyle(int style) { store(m_style, style, "Style", After::Relayout); }

void GlowButton::SetCaption(const QString &caption)
{
    m_caption = caption;
    updateAccessKey();
    Host().PropertyChanged(QStringLiteral("Caption"));
    resizeProcedure();
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void GlowButton::SetIcon(const QString &path)
{
    loadIcon(path);
    Host().PropertyChanged(QStringLiteral("Icon"));
    resizeProcedure();
}

void GlowButton::SetIconAlign(int align) { store(m_iconAlign, align, "IconAlign", After::Relayout); }
void GlowButton::SetIconSize(int size)
{
    store(m_iconSize, qint16(size), "IconSize", After::Relayout);
}
void GlowButton::SetCaptionAlign(int align)
{
    store(m_captionAlign, align, "CaptionAlign", After::Relayout);
}
void GlowButton::SetNonThemeStyle(int style)
{
    store(m_nonThemeStyle, style, "NonThemeStyle", After::Relayout);
}

void GlowButton::SetEnabled(bool enabled)
{
    m_state = 1;
    m_enabled = enabled;
    Refresh();
    Host().PropertyChanged(QStringLiteral("Enabled"));
    QWidget::setEnabled(enabled);
}

void GlowButton::SetShowFocus(bool on) { store(m_showFocus, on, "ShowFocus", After::Repaint); }
void GlowButton::SetUseCustomColors(bool on)
{
    store(m_useCustomColors, on, "UseCustomColors", After::Repaint);
}
void GlowButton::SetBackColor(GlowColor c) { store(m_backColor, c, "BackColor", After::Repaint); }
void GlowButton::SetHighlightColor(GlowColor c)
{
    store(m_highlightColor, c, "HighlightColor", After::Repaint);
}
void GlowButton::SetFontColor(GlowColor c) { store(m_fontColor, c, "FontColor", After::Repaint); }
void GlowButton::SetFontHighlightColor(GlowColor c)
{
    store(m_fontHighlightColor, c, "FontHighlightColor", After::Repaint);
}

void GlowButton::SetToolTipText(const QString &text)
{
    m_toolTipText = text;
    // Creating the tooltip takes its text from the host; give the host the new text first so
    // that the value set here is the one that stays.
    Host().SetToolTipText(text);
    Host().PropertyChanged(QStringLiteral("ToolTipText"));
    createToolTip();
    Refresh();
}

void GlowButton::SetToolTipTitle(const QString &title)
{
    store(m_toolTipTitle, title, "ToolTipTitle", After::Repaint);
}
void GlowButton::SetToolTipIcon(int icon)
{
    store(m_toolTipIcon, int(qint16(icon)), "ToolTipIcon", After::Repaint);
}
void GlowButton::SetToolTipType(int type)
{
    store(m_toolTipType, int(qint16(type)), "ToolTipType", After::Repaint);
}
void GlowButton::SetToolTipBackColor(GlowColor c)
{
    store(m_toolTipBackColor, c, "ToolTipBackColor", After::Repaint);
}
void GlowButton::SetToolTipForeColor(GlowColor c)
{
    store(m_toolTipForeColor, c, "ToolTipForeColor", After::Repaint);
}

void GlowButton::SetFont(const QFont &font)
{
    m_font = font;
    QWidget::setFont(font);
    Host().PropertyChanged(QStringLiteral("Font"));
    Refresh();
}

void GlowButton::SetButtonType(int type) { store(m_buttonType, type, "ButtonType", After::Repaint); }
void GlowButton::SetValue(bool value) { store(m_value, value, "Value", After::Repaint); }
void GlowButton::SetMaskColor(GlowColor c) { store(m_maskColor, c, "MaskColor", After::Repaint); }
void GlowButton::SetUseMaskColor(bool on)
{
    store(m_useMaskColor, on, "UseMaskColor", After::Repaint);
}

void GlowButton::SetMousePointer(int code)
{
    applyPointer(code);
    Host().PropertyChanged(QStringLiteral("MousePointer"));
}

void GlowButton::applyPointer(int code)
{
    m_mousePointer = code;
    if (code > 0 && code < int(std::size(kPointerShapes)))
        setCursor(kPointerShapes[code]);
    else
        unsetCursor();
}

void GlowButton::loadIcon(const QString &path)
{
    m_iconPath = path;
    m_icon = path.isEmpty() ? QImage() : QImage(path);
}

void GlowButton::updateAccessKey()
{
    if (m_accessKeyId != 0)
        releaseShortcut(m_accessKeyId);
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    m_accessKeyId = key.isEmpty() ? 0 : grabShortcut(key);
}

// --- layout and painting -----------------------------------------------------------------

void GlowButton::resizeProcedure()
{
    if (m_inResize)
        return;
    m_inResize = true;
    const QSize clamped(std::max(width(), kMinSide), std::max(height(), kMinSide));
    if (clamped != size())
        resize(clamped);
    m_inResize = false;
    m_buttonRect = QRect(0, 0, width(), height());
    m_captionRect = m_buttonRect.adjusted(4, 4, -4, -4);
    m_captionFormat = GlowCaptionFormat(m_captionAlign, m_captionFormat);
    setMask(GlowShape(m_style, width(), height()));
    Refresh();
}

GlowFacts GlowButton::facts() const
{
    const SystemColors &colors = Host().Colors();
    GlowFacts f;
    f.width = width();
    f.height = height();
    f.style = m_style;
    f.nonThemeStyle = m_nonThemeStyle;
    f.state = m_state;
    f.shown = m_shown;
    f.runMode = Host().RunMode();
    f.hasFocus = m_hasFocus;
    f.displayAsDefault = Host().DisplayAsDefault();
    f.enabled = m_enabled;
    f.buttonType = m_buttonType;
    f.value = m_value;
    f.showFocus = m_showFocus;
    f.useCustomColors = m_useCustomColors;
    f.backColor = colors.Translate(m_backColor);
    f.highlightColor = colors.Translate(m_highlightColor);
    f.fontColor = colors.Translate(m_fontColor);
    f.fontHighlightColor = colors.Translate(m_fontHighlightColor);
    f.surfaceBackColor = m_surfaceBackColor;
    f.caption = m_caption;
    f.captionFormat = m_captionFormat;
    f.font = m_font;
    f.icon = m_icon;
    f.iconAlign = m_iconAlign;
    f.iconSize = m_iconSize;
    f.useMaskColor = m_useMaskColor;
    f.maskColor = colors.Translate(m_maskColor);
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
    m_style = r.style;
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
    case u'\r': return;
    case u'\'': focusNextChild(); return;
    case u'%': focusPreviousChild(); return;
    default: QWidget::keyPressEvent(e);
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
    m_state = 3;
    Refresh();
}

void GlowButton::mouseUp(int button)
{
    if (button == kLeftButton) {
        m_state = (m_buttonType != 1 || m_value) ? 2 : 3;
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
    if (m_buttonType == 1)
        m_value = !m_value;
    m_state = 2;
    Refresh();
    emit Click();
}

void GlowButton::accessKey()
{
    clickProcedure();
    m_state = 1;
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
    m_toolTipText = Host().ToolTipText();
    Host().SetToolTipText(QString());
    const SystemColors &colors = Host().Colors();
    auto *tip = new GlowToolTip(this, m_toolTipType == 1, colors);
    tip->SetText(m_toolTipText);
    if (!m_toolTipTitle.isEmpty() || m_toolTipIcon != 0)
        tip->SetTitle(m_toolTipIcon, m_toolTipTitle);
    if (m_toolTipForeColor != 0)
        tip->SetTextColor(colors.Translate(m_toolTipForeColor));
    if (m_toolTipBackColor != 0)
        tip->SetBackColor(colors.Translate(m_toolTipBackColor));
    m_toolTip = tip;
    if (m_pointerInside)
        tip->Arm();
}

void GlowButton::destroyToolTip()
{
    Host().SetToolTipText(m_toolTipText);
    destroyToolTipWindow();
}

void GlowButton::destroyToolTipWindow()
{
    delete m_toolTip.data();
    m_toolTip = nullptr;
}
