// The button's property setters: each stores its value, tells the host and repaints or lays
// the button out anew.
#include "glowbutton.h"

#include <QAccessible>

#include <iterator>

namespace {

// The host's pointer codes 0..15 as Qt cursor shapes.
constexpr Qt::CursorShape kPointerShapes[] = {
    Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
    Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
    Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
    Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
};

} // namespace

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

void GlowButton::SetStyle(int style)
{
    store(m_props.style, style, "Style", After::Relayout);
}

void GlowButton::SetCaption(const QString &caption)
{
    m_props.caption = caption;
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

void GlowButton::SetIconAlign(int align)
{
    store(m_props.iconAlign, align, "IconAlign", After::Relayout);
}
void GlowButton::SetIconSize(int size)
{
    store(m_props.iconSize, int(qint16(size)), "IconSize", After::Relayout);
}
void GlowButton::SetCaptionAlign(int align)
{
    store(m_props.captionAlign, align, "CaptionAlign", After::Relayout);
}
void GlowButton::SetNonThemeStyle(int style)
{
    store(m_props.nonThemeStyle, style, "NonThemeStyle", After::Relayout);
}

void GlowButton::SetEnabled(bool enabled)
{
    m_state = kStateNormal;
    m_props.enabled = enabled;
    Refresh();
    Host().PropertyChanged(QStringLiteral("Enabled"));
    QWidget::setEnabled(enabled);
}

void GlowButton::SetShowFocus(bool on)
{
    store(m_props.showFocus, on, "ShowFocus", After::Repaint);
}
void GlowButton::SetUseCustomColors(bool on)
{
    store(m_props.useCustomColors, on, "UseCustomColors", After::Repaint);
}
void GlowButton::SetBackColor(GlowColor c)
{
    store(m_props.backColor, c, "BackColor", After::Repaint);
}
void GlowButton::SetHighlightColor(GlowColor c)
{
    store(m_props.highlightColor, c, "HighlightColor", After::Repaint);
}
void GlowButton::SetFontColor(GlowColor c)
{
    store(m_props.fontColor, c, "FontColor", After::Repaint);
}
void GlowButton::SetFontHighlightColor(GlowColor c)
{
    store(m_props.fontHighlightColor, c, "FontHighlightColor", After::Repaint);
}

void GlowButton::SetToolTipText(const QString &text)
{
    m_props.toolTipText = text;
    // Creating the tooltip takes its text from the host; give the host the new text first so
    // that the value set here is the one that stays.
    Host().SetToolTipText(text);
    Host().PropertyChanged(QStringLiteral("ToolTipText"));
    createToolTip();
    Refresh();
}

void GlowButton::SetToolTipTitle(const QString &title)
{
    store(m_props.toolTipTitle, title, "ToolTipTitle", After::Repaint);
}
void GlowButton::SetToolTipIcon(int icon)
{
    store(m_props.toolTipIcon, int(qint16(icon)), "ToolTipIcon", After::Repaint);
}
void GlowButton::SetToolTipType(int type)
{
    store(m_props.toolTipType, int(qint16(type)), "ToolTipType", After::Repaint);
}
void GlowButton::SetToolTipBackColor(GlowColor c)
{
    store(m_props.toolTipBackColor, c, "ToolTipBackColor", After::Repaint);
}
void GlowButton::SetToolTipForeColor(GlowColor c)
{
    store(m_props.toolTipForeColor, c, "ToolTipForeColor", After::Repaint);
}

void GlowButton::SetFont(const QFont &font)
{
    m_props.font = font;
    QWidget::setFont(font);
    Host().PropertyChanged(QStringLiteral("Font"));
    Refresh();
}

void GlowButton::SetButtonType(int type)
{
    store(m_props.buttonType, type, "ButtonType", After::Repaint);
}
void GlowButton::SetValue(bool value)
{
    store(m_props.value, value, "Value", After::Repaint);
}
void GlowButton::SetMaskColor(GlowColor c)
{
    store(m_props.maskColor, c, "MaskColor", After::Repaint);
}
void GlowButton::SetUseMaskColor(bool on)
{
    store(m_props.useMaskColor, on, "UseMaskColor", After::Repaint);
}

void GlowButton::SetMousePointer(int code)
{
    applyPointer(code);
    Host().PropertyChanged(QStringLiteral("MousePointer"));
}

void GlowButton::applyPointer(int code)
{
    m_props.mousePointer = code;
    if (code > 0 && code < int(std::size(kPointerShapes)))
        setCursor(kPointerShapes[code]);
    else
        unsetCursor();
}

void GlowButton::loadIcon(const QString &path)
{
    m_props.iconPath = path;
    m_props.icon = path.isEmpty() ? QImage() : QImage(path);
}

void GlowButton::updateAccessKey()
{
    if (m_accessKeyId != 0)
        releaseShortcut(m_accessKeyId);
    const QKeySequence key = QKeySequence::mnemonic(m_props.caption);
    m_accessKeyId = key.isEmpty() ? 0 : grabShortcut(key);
}
