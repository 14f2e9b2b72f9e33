#pragma once

#include "systemcolors.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class GlowThemePainter;

// What the container that holds a button provides to it: the extender properties (`Name`,
// `ToolTipText`), the ambient properties (run mode, `DisplayAsDefault`), the property-changed
// notice, the system colours, the theme painter and the hover-tracking service.
class GlowHost
{
public:
    virtual ~GlowHost() = default;

    virtual QString Name() const = 0;
    // The host's own tooltip text for the control, shown by the host unless it is empty.
    virtual QString ToolTipText() const = 0;
    virtual void SetToolTipText(const QString &text) = 0;

    // False while a designer edits the window: no hooks, every look shown hot.
    virtual bool RunMode() const { return true; }
    // True while the host shows this button as the window's default button.
    virtual bool DisplayAsDefault() const { return false; }
    // A property of the control changed; the host marks its definition dirty.
    virtual void PropertyChanged(const QString &) {}
    virtual const SystemColors &Colors() const;
    // The theme behind style 6; null means no theme is active. By default the application's
    // theme, unless it is switched off.
    virtual GlowThemePainter *Theme() const;
    // Whether a mouse-leave tracking service exists; without one no hook is installed.
    virtual bool HoverTrackingService() const { return true; }
};

// The host a button has when nobody provides one: the widget's objectName is its name and the
// widget's own tooltip is the host tooltip; run mode with the application palette.
class GlowWidgetHost : public GlowHost
{
public:
    explicit GlowWidgetHost(QWidget *widget) : m_widget(widget) {}

    QString Name() const override { return m_widget ? m_widget->objectName() : QString(); }
    QString ToolTipText() const override { return m_widget ? m_widget->toolTip() : QString(); }
    void SetToolTipText(const QString &text) override
    {
        if (m_widget)
            m_widget->setToolTip(text);
    }
    bool RunMode() const override { return m_runMode; }
    void SetRunMode(bool on) { m_runMode = on; }

private:
    QPointer<QWidget> m_widget;
    bool m_runMode = true;
};
