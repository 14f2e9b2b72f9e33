#pragma once

#include "glowcolor.h"
#include "glowhooktable.h"
#include "glowhost.h"
#include "glowproperties.h"

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

class GlowAbout;
class GlowPropertyBag;
class GlowToolTip;
struct GlowFacts;

// The owner-drawn push button of the window. It keeps the stored properties (one record) and
// the interaction state; every change ends in a full repaint into an image that paintEvent copies
// to the screen. The host (see GlowHost) supplies extender, ambient and system colours.
class GlowButton : public QWidget
{
    Q_OBJECT
public:
    explicit GlowButton(QWidget *parent = nullptr);
    ~GlowButton() override;

    // The host the button talks to; null restores the widget's own host. Not owned.
    void SetHost(GlowHost *host);
    GlowHost &Host() const { return m_host ? *m_host : m_ownHost; }

    // A button placed anew: the defaults of a new button, captioned with the host's name.
    void InitProperties();
    // A button loaded from a definition: every property from `bag`, in order, with fallbacks;
    // in run mode the mouse hook is installed afterwards.
    void ReadProperties(const GlowPropertyBag &bag);
    // Every property into `bag`, in order, each with its write default.
    void WriteProperties(GlowPropertyBag &bag) const;
    // The host reports an ambient property change by name.
    void AmbientChanged(const QString &name);

    QString Version() const { return QStringLiteral("3.4.0"); }
    // Shows the About surface (a top-level window above all others).
    void About();
    // Repaints the whole button from its fields.
    void Refresh();
    // Opens `sLink` with the desktop; above 32 on success, at or below 32 on failure.
    int OpenLink(const QString &sLink);
    // Draws `hIcon` in grey at (Dest_X, Dest_Y) in Dest_Width x Dest_Height; false when either
    // image is missing.
    bool PaintIconGrayscale(QImage *Dest_hDC, const QImage *hIcon, int Dest_X, int Dest_Y,
                            int Dest_Height, int Dest_Width);
    // The hooked-message callback: mouse move, mouse leave, theme and colour changes.
    void SubclassProc(bool bBefore, bool &bHandled, qintptr &lReturn, QWidget *lng_hWnd, int uMsg,
                      qintptr wParam, qintptr lParam);

    int Style() const { return m_props.style; }
    void SetStyle(int style);
    QString Caption() const { return m_props.caption; }
    void SetCaption(const QString &caption);
    // The icon as a resource or file path; empty for none.
    QString Icon() const { return m_props.iconPath; }
    void SetIcon(const QString &path);
    const QImage &IconImage() const { return m_props.icon; }
    int IconAlign() const { return m_props.iconAlign; }
    void SetIconAlign(int align);
    int IconSize() const { return m_props.iconSize; }
    void SetIconSize(int size);
    int CaptionAlign() const { return m_props.captionAlign; }
    void SetCaptionAlign(int align);
    int NonThemeStyle() const { return m_props.nonThemeStyle; }
    void SetNonThemeStyle(int style);
    bool Enabled() const { return m_props.enabled; }
    void SetEnabled(bool enabled);
    bool ShowFocus() const { return m_props.showFocus; }
    void SetShowFocus(bool on);
    bool UseCustomColors() const { return m_props.useCustomColors; }
    void SetUseCustomColors(bool on);
    GlowColor BackColor() const { return m_props.backColor; }
    void SetBackColor(GlowColor c);
    GlowColor HighlightColor() const { return m_props.highlightColor; }
    void SetHighlightColor(GlowColor c);
    GlowColor FontColor() const { return m_props.fontColor; }
    void SetFontColor(GlowColor c);
    GlowColor FontHighlightColor() const { return m_props.fontHighlightColor; }
    void SetFontHighlightColor(GlowColor c);
    QString ToolTipText() const { return m_props.toolTipText; }
    void SetToolTipText(const QString &text);
    QString ToolTipTitle() const { return m_props.toolTipTitle; }
    void SetToolTipTitle(const QString &title);
    int ToolTipIcon() const { return m_props.toolTipIcon; }
    void SetToolTipIcon(int icon);
    int ToolTipType() const { return m_props.toolTipType; }
    void SetToolTipType(int type);
    GlowColor ToolTipBackColor() const { return m_props.toolTipBackColor; }
    void SetToolTipBackColor(GlowColor c);
    GlowColor ToolTipForeColor() const { return m_props.toolTipForeColor; }
    void SetToolTipForeColor(GlowColor c);
    QFont Font() const { return m_props.font; }
    void SetFont(const QFont &font);
    int ButtonType() const { return m_props.buttonType; }
    void SetButtonType(int type);
    bool Value() const { return m_props.value; }
    void SetValue(bool value);
    GlowColor MaskColor() const { return m_props.maskColor; }
    void SetMaskColor(GlowColor c);
    bool UseMaskColor() const { return m_props.useMaskColor; }
    void SetUseMaskColor(bool on);
    // The host's pointer code (0 default, 1 arrow, 2 cross, 3 I-beam, ... 15 size all) shown
    // over the button.
    int MousePointer() const { return m_props.mousePointer; }
    void SetMousePointer(int code);

    // Interaction state, read by tests and the accessibility bridge.
    GlowState VisualState() const { return m_state; }
    bool HasFocusFlag() const { return m_hasFocus; }
    bool PointerInside() const { return m_pointerInside; }
    bool HoverTracking() const { return m_hoverTracking; }
    int CaptionFormat() const { return m_captionFormat; }
    const GlowHookTable &Hooks() const { return m_hooks; }
    GlowHookTable &Hooks() { return m_hooks; }
    GlowToolTip *ToolTipWindow() const;
    GlowAbout *AboutSurface() const { return m_about; }
    // The last repainted image, exactly as it is copied to the screen.
    const QImage &Surface() const { return m_surface; }
    // The font as stored: family, point size, weight, italic, underline.
    static QString FontText(const QFont &font);
    static QFont FontFromText(const QString &text, const QFont &fallback);

    // A full click as a press action of assistive technology performs it.
    void Press();

signals:
    void Click();
    void MouseEnter();
    void MouseLeave();

protected:
    bool event(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;

private:
    enum class After { Repaint, Relayout };
    template <typename T> void store(T &field, const T &value, const char *name, After after);
    void resizeProcedure();
    GlowFacts facts() const;
    GlowColor sys(GlowSysColor index) const { return Host().Colors().SysColor(index); }
    void loadIcon(const QString &path);
    void applyPointer(int code);
    void updateAccessKey();
    void installHooks();
    void requestMouseLeave() { m_leaveRequested = m_hoverTracking; }
    // The pointer is outside: a requested leave ends the hover, once.
    void pointerLeft();

    void mouseDown(int button);
    void mouseUp(int button);
    void clickProcedure();
    void performClick();
    void accessKey();
    void createToolTip();
    void destroyToolTip();
    void destroyToolTipWindow();

    mutable GlowWidgetHost m_ownHost;
    GlowHost *m_host = nullptr;

    GlowProperties m_props;
    bool m_hasFocus = false;
    bool m_shown = false;
    GlowState m_state = kStateNormal;
    QPointer<GlowToolTip> m_toolTip;
    GlowHookTable m_hooks;
    bool m_hoverTracking = false;
    bool m_pointerInside = false;
    int m_captionFormat = 17;
    int m_lastButton = 0;

    GlowColor m_surfaceBackColor = 0; // the surface's background colour
    bool m_leaveRequested = false;    // a one-shot mouse-leave notification is pending
    bool m_skipNextClick = false;     // the release after a double click raises no Click
    bool m_inResize = false;
    int m_accessKeyId = 0;
    QImage m_surface;
    QImage m_scratch;
    GlowAbout *m_about = nullptr;
};
