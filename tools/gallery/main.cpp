// Shows the button control so that a person can look at it: every style in every state side by
// side (with system and with custom colours, zoomable), a row of live buttons to hover and press,
// buttons with each kind of tooltip, and one that opens the About box.
//   glowbutton-gallery [--zoom N] [--hover NAME] [--about] [--press-about] [--shot FILE]
// --hover moves the pointer onto the live button NAME; --shot saves the whole screen a moment
// after start and quits (for looking at it under a virtual display).

#include "glowabout.h"
#include "glowbutton.h"
#include "glowfacts.h"
#include "glowpropertybag.h"
#include "glowthemepainter.h"
#include "systemcolors.h"

#include "meterdeskversion.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr int kStyles = 11;
constexpr QSize kButtonSize(89, 25);

// The custom colours shown: a light face, a light orange highlight, and dark captions that
// stay readable on every style's normal, hot and pressed faces (style 10's blue pictures too).
constexpr GlowColor kCustomBack = GlowRgb(250, 226, 190);
constexpr GlowColor kCustomHighlight = GlowRgb(255, 190, 110);
constexpr GlowColor kCustomFont = GlowRgb(90, 40, 0);
constexpr GlowColor kCustomFontHighlight = GlowRgb(110, 20, 0);

struct Look
{
    const char *name;
    GlowState state;
    bool enabled = true;
    bool focused = false;
    bool checked = false;
};

constexpr Look kLooks[] = {
    {"normal", kStateNormal},
    {"hot", kStateHot},
    {"pressed", kStatePressed},
    {"disabled", kStateNormal, false},
    {"focused", kStateNormal, true, true},
    {"checked", kStateNormal, true, false, true},
};

QFont verdana()
{
    QFont f(QStringLiteral("Verdana"));
    f.setPointSizeF(8.25);
    return f;
}

// One style in one look, painted as a live button paints itself, outside its shape the window.
QImage paintLook(int style, const Look &look, bool custom, const SystemColors &colors)
{
    GlowFacts f;
    f.width = kButtonSize.width();
    f.height = kButtonSize.height();
    f.style = style;
    f.nonThemeStyle = 3;
    f.state = look.state;
    f.enabled = look.enabled;
    f.hasFocus = look.focused;
    f.buttonType = look.checked ? 1 : 0;
    f.value = look.checked;
    f.showFocus = true;
    f.useCustomColors = custom;
    f.backColor = custom ? kCustomBack : colors.SysColor(kSysButtonFace);
    f.highlightColor = custom ? kCustomHighlight : colors.SysColor(kSysHighlight);
    f.fontColor = custom ? kCustomFont : colors.SysColor(kSysButtonText);
    f.fontHighlightColor = custom ? kCustomFontHighlight : colors.SysColor(kSysButtonText);
    f.surfaceBackColor = colors.SysColor(kSysButtonFace);
    f.caption = QStringLiteral("读表数据");
    f.captionFormat = GlowCaptionFormat(0, 17);
    f.font = verdana();
    QImage surface(kButtonSize, QImage::Format_RGB32);
    QImage scratch(kButtonSize, QImage::Format_RGB32);
    RefreshGlowButton(surface, scratch, f, colors, GlowAppThemePainter());
    QImage shaped(kButtonSize, QImage::Format_RGB32);
    shaped.fill(QApplication::palette().color(QPalette::Window));
    QPainter p(&shaped);
    p.setClipRegion(GlowShape(style, f.width, f.height));
    p.drawImage(0, 0, surface);
    return shaped;
}

// The table of every style (rows) in every look (columns), for one colour choice.
QWidget *lookTable(bool custom, const SystemColors &colors, QList<std::function<void(int)>> &zooms)
{
    auto *box =
        new QGroupBox(custom ? QStringLiteral("Custom colours") : QStringLiteral("System colours"));
    auto *grid = new QGridLayout(box);
    grid->setSpacing(4);
    for (int c = 0; c < int(std::size(kLooks)); ++c)
        grid->addWidget(new QLabel(QString::fromLatin1(kLooks[c].name)), 0, c + 1);
    for (int style = 0; style < kStyles; ++style) {
        grid->addWidget(new QLabel(QStringLiteral("Style %1").arg(style)), style + 1, 0);
        for (int c = 0; c < int(std::size(kLooks)); ++c) {
            auto *cell = new QLabel;
            const QImage image = paintLook(style, kLooks[c], custom, colors);
            zooms.append([cell, image](int zoom) {
                cell->setPixmap(QPixmap::fromImage(image.scaled(image.size() * zoom)));
            });
            grid->addWidget(cell, style + 1, c + 1);
        }
    }
    return box;
}

GlowButton *liveButton(QWidget *parent, const QString &name, const GlowPropertyBag &bag)
{
    auto *b = new GlowButton(parent);
    b->setObjectName(name);
    b->ReadProperties(bag);
    b->setFixedSize(kButtonSize + QSize(20, 0));
    return b;
}

GlowPropertyBag styleBag(int style, const QString &caption)
{
    GlowPropertyBag bag;
    bag.WriteProperty(QStringLiteral("Style"), style);
    bag.WriteProperty(QStringLiteral("Caption"), caption);
    bag.WriteProperty(QStringLiteral("iNonThemeStyle"), 3);
    return bag;
}

QWidget *liveRows(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral("Live buttons: hover, press, tab, space"), parent);
    auto *grid = new QGridLayout(box);
    for (int style = 0; style < kStyles; ++style) {
        grid->addWidget(liveButton(box, QStringLiteral("live%1").arg(style),
                                   styleBag(style, QStringLiteral("Style &%1").arg(style))),
                        0, style);
        GlowPropertyBag check = styleBag(style, QStringLiteral("Check %1").arg(style));
        check.WriteProperty(QStringLiteral("ButtonType"), 1);
        check.WriteProperty(QStringLiteral("USeCustomColors"), style % 2 == 1);
        check.WriteProperty(QStringLiteral("BackColor"), qint32(kCustomBack));
        check.WriteProperty(QStringLiteral("HighlightColor"), qint32(kCustomHighlight));
        check.WriteProperty(QStringLiteral("FontColor"), qint32(kCustomFont));
        check.WriteProperty(QStringLiteral("FontHighlightColor"), qint32(kCustomFontHighlight));
        grid->addWidget(liveButton(box, QStringLiteral("check%1").arg(style), check), 1, style);
    }
    return box;
}

struct TipKind
{
    const char *name;
    const char *caption;
    int type;
    int icon;
    const char *title;
    GlowColor fore;
    GlowColor back;
    const char *text;
};

constexpr TipKind kTips[] = {
    {"tipBalloon", "Balloon", 1, 1, "Serial port", 0, 0, "Opens COM1 at 2400,E,8,1 & waits"},
    {"tipRect", "Rectangle", 0, 2, "Warning", 0, 0, "The port is held by another program"},
    {"tipColours", "Colours", 1, 3, "Error", GlowRgb(255, 255, 255), GlowRgb(160, 30, 30),
     "No reply from the meter"},
    {"tipIconOnly", "Icon only", 0, 1, "", 0, 0, "An icon without a title"},
    {"tipEmpty", "No text", 1, 0, "", 0, 0, ""},
};

QWidget *tipRow(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral("Tooltips and About"), parent);
    auto *row = new QHBoxLayout(box);
    for (const TipKind &t : kTips) {
        GlowPropertyBag bag = styleBag(7, QString::fromUtf8(t.caption));
        bag.WriteProperty(QStringLiteral("ToolTipText"), QString::fromUtf8(t.text));
        bag.WriteProperty(QStringLiteral("Tooltiptitle"), QString::fromUtf8(t.title));
        bag.WriteProperty(QStringLiteral("ToolTipIcon"), t.icon);
        bag.WriteProperty(QStringLiteral("ToolTipType"), t.type);
        bag.WriteProperty(QStringLiteral("ttForeColor"), qint32(t.fore));
        bag.WriteProperty(QStringLiteral("ttBackColor"), qint32(t.back));
        row->addWidget(liveButton(box, QString::fromLatin1(t.name), bag));
    }
    GlowButton *about =
        liveButton(box, QStringLiteral("about"), styleBag(3, QStringLiteral("About...")));
    QObject::connect(about, &GlowButton::Click, about, &GlowButton::About);
    row->addWidget(about);
    row->addStretch();
    return box;
}

} // namespace

// The gallery: a zoom box over both style tables, the live rows and the tooltip row. Every
// table's rescale goes into `zooms`; the zoom box returned applies them all.
QSpinBox *buildGallery(QWidget &window, const SystemColors &colors,
                       QList<std::function<void(int)>> &zooms)
{
    window.setWindowTitle(QStringLiteral("GlowButton gallery"));
    auto *layout = new QVBoxLayout(&window);
    auto *zoomRow = new QHBoxLayout;
    auto *zoom = new QSpinBox;
    zoom->setRange(1, 8);
    zoomRow->addWidget(new QLabel(QStringLiteral("Zoom")));
    zoomRow->addWidget(zoom);
    zoomRow->addStretch();
    layout->addLayout(zoomRow);
    auto *tables = new QWidget;
    auto *tableRow = new QVBoxLayout(tables);
    tableRow->addWidget(lookTable(false, colors, zooms));
    tableRow->addWidget(lookTable(true, colors, zooms));
    auto *scroll = new QScrollArea;
    scroll->setWidget(tables);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    layout->addWidget(liveRows(&window));
    layout->addWidget(tipRow(&window));
    QObject::connect(zoom, &QSpinBox::valueChanged, &window, [&zooms](int z) {
        for (const auto &apply : zooms)
            apply(z);
    });
    return zoom;
}

// What the command line asks of the shown gallery, for looking at it under a virtual display.
struct Script
{
    QString hover; // the live button to put the pointer on
    bool about = false;
    bool pressAbout = false;
    QString shot; // where to save a screenshot before quitting
};

void runScript(QWidget &window, const Script &script)
{
    QTimer::singleShot(300, &window, [&window, script] {
        if (!script.hover.isEmpty()) {
            if (auto *b = window.findChild<GlowButton *>(script.hover))
                QCursor::setPos(b->mapToGlobal(QPoint(b->width() / 2, b->height() / 2)));
        }
        if (script.about || script.pressAbout) {
            auto *about = window.findChild<GlowButton *>(QStringLiteral("about"));
            about->About();
            if (script.pressAbout) {
                QMouseEvent press(QEvent::MouseButtonPress, QPointF(300, 90), QPointF(300, 90),
                                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(about->AboutSurface(), &press);
            }
        }
    });
    if (!script.shot.isEmpty()) {
        QTimer::singleShot(1500, &window, [script] {
            QApplication::primaryScreen()->grabWindow(0).save(script.shot);
            QApplication::quit();
        });
    }
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(METERDESK_VERSION));
    QCommandLineParser args;
    args.setApplicationDescription(
        QStringLiteral("Shows the push-button control of MeterDesk in every style and state, with "
                       "system and custom colours, its tooltips and its About box."));
    args.addHelpOption();
    args.addVersionOption();
    const QCommandLineOption zoomOption("zoom", "Zoom of the style table.", "N", "2");
    const QCommandLineOption hoverOption("hover", "Move the pointer onto button NAME.", "NAME");
    const QCommandLineOption aboutOption("about", "Open the About box.");
    const QCommandLineOption pressOption("press-about", "Open the About box and press it.");
    const QCommandLineOption shotOption("shot", "Save a screenshot to FILE and quit.", "FILE");
    args.addOptions({zoomOption, hoverOption, aboutOption, pressOption, shotOption});
    args.process(app);

    PaletteSystemColors colors;
    QList<std::function<void(int)>> zooms;
    QWidget window;
    QSpinBox *zoom = buildGallery(window, colors, zooms);
    zoom->setValue(args.value(zoomOption).toInt());
    for (const auto &apply : zooms)
        apply(zoom->value());
    window.resize(1260, 1000);
    window.show();

    runScript(window, Script{args.value(hoverOption), args.isSet(aboutOption),
                             args.isSet(pressOption), args.value(shotOption)});
    return app.exec();
}
