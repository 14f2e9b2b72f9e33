// Loading, placing and saving a button: every property read from and written to the host's
// property bag, in the stored order, with the fallbacks and write defaults of each key.
#include "glowbutton.h"

#include "glowpropertybag.h"

#include <QStringList>

#include <algorithm>

namespace {

qint32 asStored(GlowColor c)
{
    return qint32(c);
}
GlowColor readColor(const GlowPropertyBag &bag, const char *key, GlowColor fallback)
{
    return GlowColor(bag.ReadProperty(QLatin1String(key), asStored(fallback)).toInt());
}

} // namespace

void GlowButton::InitProperties()
{
    m_props.style = 0;
    m_props.caption = Host().Name();
    loadIcon(QString());
    m_props.iconSize = 16;
    m_props.showFocus = false;
    m_props.useCustomColors = false;
    m_captionFormat = 17;
    m_props.enabled = true;
    QWidget::setEnabled(true);
    const SystemColors &colors = Host().Colors();
    m_props.backColor = colors.Translate(kSystemColorFlag | kSysButtonFace);
    m_props.highlightColor = colors.Translate(kSystemColorFlag | kSysHighlight);
    m_props.fontColor = colors.Translate(kSystemColorFlag | kSysButtonText);
    m_props.fontHighlightColor = colors.Translate(kSystemColorFlag | kSysButtonText);
    m_props.toolTipType = 1;
    updateAccessKey();
}

void GlowButton::ReadProperties(const GlowPropertyBag &bag)
{
    const auto read = [&bag](const char *key, const QVariant &fallback) {
        return bag.ReadProperty(QLatin1String(key), fallback);
    };
    m_state = kStateNormal;
    loadIcon(read("Icon", QString()).toString());
    m_props.style = read("Style", 3).toInt();
    m_props.caption = read("Caption", QStringLiteral("GlowButton")).toString();
    m_props.iconSize = qint16(read("IconSize", 16).toInt());
    m_props.captionAlign = read("CaptionAlign", 0).toInt();
    m_props.iconAlign = read("IconAlign", 1).toInt();
    m_props.nonThemeStyle = read("iNonThemeStyle", 5).toInt();
    m_props.enabled = read("Enabled", true).toBool();
    m_props.showFocus = read("ShowFocus", false).toBool();
    m_props.useCustomColors = read("USeCustomColors", false).toBool();
    m_props.backColor = readColor(bag, "BackColor", sys(kSysButtonFace));
    m_props.highlightColor = readColor(bag, "HighlightColor", sys(kSysHighlight));
    m_props.fontColor = readColor(bag, "FontColor", sys(kSysButtonText));
    m_props.fontHighlightColor = readColor(bag, "FontHighlightColor", sys(kSysButtonText));
    Host().SetToolTipText(read("ToolTipText", m_props.toolTipText).toString());
    m_props.toolTipText = read("ToolTipText", QString()).toString();
    m_props.toolTipTitle = read("Tooltiptitle", QString()).toString();
    m_props.toolTipIcon = qint16(read("ToolTipIcon", 0).toInt());
    m_props.toolTipType = qint16(read("ToolTipType", 1).toInt());
    // Crossed on purpose: stored windows rely on these fallbacks (a zero colour is never used).
    m_props.toolTipBackColor = readColor(bag, "ttBackColor", sys(kSysToolTipText));
    m_props.toolTipForeColor = readColor(bag, "ttForeColor", sys(kSysToolTipBack));
    m_props.font = FontFromText(read("Font", FontText(font())).toString(), font());
    QWidget::setFont(m_props.font);
    m_props.buttonType = read("ButtonType", 0).toInt();
    m_props.value = read("Value", false).toBool();
    m_props.useMaskColor = read("UseMaskColor", false).toBool();
    m_props.maskColor = readColor(bag, "MaskColor", 0xC0C0C0);
    applyPointer(qint16(read("MousePointer", 0).toInt()));

    QWidget::setEnabled(m_props.enabled);
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
    write("Icon", m_props.iconPath);
    write("Style", m_props.style, 3);
    write("Caption", m_props.caption, QString());
    write("IconSize", int(m_props.iconSize), 16);
    write("IconAlign", m_props.iconAlign, 1);
    write("CaptionAlign", m_props.captionAlign, 0);
    write("iNonThemeStyle", m_props.nonThemeStyle, 5);
    write("Enabled", m_props.enabled, true);
    write("ShowFocus", m_props.showFocus, false);
    write("USeCustomColors", m_props.useCustomColors, false);
    color("BackColor", m_props.backColor, sys(kSysButtonFace));
    color("HighlightColor", m_props.highlightColor, sys(kSysHighlight));
    color("FontColor", m_props.fontColor, sys(kSysButtonText));
    color("FontHighlightColor", m_props.fontHighlightColor, sys(kSysButtonText));
    write("ToolTipText", m_props.toolTipText, Host().ToolTipText());
    write("Tooltiptitle", m_props.toolTipTitle);
    write("ToolTipIcon", m_props.toolTipIcon);
    write("ToolTipType", m_props.toolTipType);
    color("ttBackColor", m_props.toolTipBackColor, sys(kSysToolTipText));
    color("ttForeColor", m_props.toolTipForeColor, sys(kSysToolTipBack));
    write("Font", FontText(m_props.font));
    write("ButtonType", m_props.buttonType, 0);
    write("Value", m_props.value, false);
    color("MaskColor", m_props.maskColor, 0xC0C0C0);
    write("UseMaskColor", m_props.useMaskColor, false);
    write("MousePointer", int(qint16(m_props.mousePointer)), 0);
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
