#pragma once

#include "glowhost.h"
#include "glowpropertybag.h"

#include <QStringList>

// A host with fixed system colours that records what the button tells it.
class TestHost : public GlowHost
{
public:
    TestHost()
    {
        colors.Set(5, GlowRgb(255, 255, 255));   // window
        colors.Set(13, GlowRgb(49, 106, 197));   // highlight
        colors.Set(15, GlowRgb(236, 233, 216));  // button face
        colors.Set(16, GlowRgb(172, 168, 153));  // button shadow
        colors.Set(17, GlowRgb(172, 168, 153));  // grey text
        colors.Set(18, GlowRgb(0, 0, 0));        // button text
        colors.Set(23, GlowRgb(0, 0, 0));        // tooltip text
        colors.Set(24, GlowRgb(255, 255, 225));  // tooltip background
    }
    QString Name() const override { return name; }
    QString ToolTipText() const override { return tip; }
    void SetToolTipText(const QString &text) override { tip = text; }
    bool RunMode() const override { return runMode; }
    bool DisplayAsDefault() const override { return displayAsDefault; }
    void PropertyChanged(const QString &property) override { changed << property; }
    const SystemColors &Colors() const override { return colors; }
    bool HoverTrackingService() const override { return trackingService; }

    QString name = QStringLiteral("Command1");
    QString tip;
    bool runMode = true;
    bool displayAsDefault = false;
    bool trackingService = true;
    QStringList changed;
    FixedSystemColors colors;
};

// A bag that records the keys read and written, in order.
class RecordingBag : public GlowPropertyBag
{
public:
    QVariant ReadProperty(const QString &key, const QVariant &fallback) const override
    {
        reads << key;
        return GlowPropertyBag::ReadProperty(key, fallback);
    }
    void WriteProperty(const QString &key, const QVariant &value,
                       const QVariant &defaultValue) override
    {
        writes << key;
        GlowPropertyBag::WriteProperty(key, value, defaultValue);
    }
    mutable QStringList reads;
    QStringList writes;
};
