#include "windowlayout.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace {

// How a control follows the window once it is larger than its first size. The extra width goes
// to the meter area and everything in it that spans its width; the extra height goes to the
// receive and data-analysis frames, shared in the ratio of their first heights.
enum class Follow {
    Stays,        // keeps its first place and size
    Widens,       // takes the extra width
    Grows,        // takes the extra width and the extra height (the meter area)
    ReceiveShare, // takes the extra width and the receive frame's share of the extra height
    AnalysisArea, // takes the extra width and the data-analysis frame's share of the height
    AnalysisFrame // as AnalysisArea, moved down by the receive frame's share
};

// Every control's place, in twips relative to its container (15 twips to the pixel).
struct Placement
{
    const char *name;
    int left, top, width, height;
    Follow follow = Follow::Stays;
};

constexpr Placement kLayout[] = {
    // Left column
    {"Frame3", 120, 120, 2655, 1695},
    {"Image1", 120, 240, 2415, 1335},
    {"setpage", 120, 2040, 2655, 4575},
    {"Frame5", 120, 6720, 2655, 975},
    {"GlowButton9", 120, 240, 2415, 615},
    {"Frame4", 120, 7800, 2655, 1215},
    {"GlowButton7", 120, 240, 975, 855},
    {"GlowButton8", 1560, 240, 975, 855},
    // Settings page
    {"Label9", 240, 360, 840, 255},
    {"Combo1", 1080, 240, 1335, 345},
    {"Label10", 240, 840, 840, 255},
    {"Combo2", 1080, 720, 1335, 345},
    {"Label11", 240, 1320, 840, 255},
    {"Combo3", 1080, 1200, 1335, 345},
    {"Label12", 240, 1800, 840, 255},
    {"Combo4", 1080, 1680, 1335, 345},
    {"Label13", 240, 2280, 840, 255},
    {"Combo5", 1080, 2160, 1335, 345},
    {"Label14", 240, 2745, 480, 255},
    {"Shape1", 720, 2740, 195, 195},
    {"OpenCOomPort", 1080, 2640, 1335, 375},
    {"Label15", 240, 3600, 480, 255},
    {"Shape2", 720, 3600, 195, 195},
    {"GlowButton5", 1080, 3480, 1335, 420},
    {"Label16", 240, 4080, 480, 255},
    {"Shape3", 720, 4080, 195, 195},
    {"GlowButton6", 1080, 3960, 1335, 420},
    // Meter area
    {"mainpage", 2880, 120, 10695, 8895, Follow::Grows},
    {"GlowButton2", 120, 240, 2295, 420},
    {"GlowButton4", 2400, 240, 2295, 420},
    {"CJ188仪表", 120, 600, 10455, 3015, Follow::Widens},
    {"EN1434仪表", 120, 600, 10455, 3015, Follow::Widens},
    {"Frame9", 120, 3720, 10455, 2895, Follow::ReceiveShare},
    {"RichTextBox2", 120, 240, 10215, 2535, Follow::ReceiveShare},
    {"Frame2", 120, 6720, 10455, 2055, Follow::AnalysisFrame},
    {"RichTextBox3", 120, 240, 10215, 1695, Follow::AnalysisArea},
    // CJ188 page
    {"Label1", 240, 360, 975, 495},
    {"Text1", 1200, 240, 2175, 375},
    {"Label2", 240, 960, 975, 495},
    {"Text3", 1200, 840, 975, 375},
    {"Text2", 2400, 840, 975, 375},
    {"Label3", 240, 1560, 975, 495},
    {"Combo7", 1200, 1440, 2175, 360},
    {"GlowButton1", 4200, 480, 1935, 375},
    {"GlowButton3", 4200, 1320, 1935, 375},
    {"Frame1", 120, 2160, 10215, 735, Follow::Widens},
    {"RichTextBox1", 120, 240, 9975, 375, Follow::Widens},
    {"Frame6", 6840, 240, 3255, 1575},
    {"GlowButton11", 120, 360, 975, 495},
    {"GlowButton12", 120, 960, 975, 495},
    {"Text4", 1560, 720, 855, 375},
    {"Label5", 2640, 840, 495, 495},
    // EN1434 page
    {"Label8", 240, 600, 975, 495},
    {"Text6", 1320, 480, 2175, 375},
    {"GlowButton17", 4200, 480, 1935, 375},
    {"Label6", 240, 1440, 975, 495},
    {"Text7", 1320, 1320, 2175, 375},
    {"GlowButton15", 4200, 1320, 1935, 375},
    {"Frame8", 120, 2160, 10215, 735, Follow::Widens},
    {"RichTextBox4", 120, 240, 9975, 375, Follow::Widens},
    {"Frame7", 6840, 240, 3255, 1575},
    {"GlowButton13", 120, 360, 975, 495},
    {"GlowButton14", 120, 960, 975, 495},
    {"Text5", 1560, 720, 855, 375},
    {"Label4", 2640, 840, 495, 495},
};

// Labels that name the control beside them (for screen readers and keyboard mnemonics).
constexpr std::pair<const char *, const char *> kLabelled[] = {
    {"Label9", "Combo1"},  {"Label10", "Combo2"}, {"Label11", "Combo3"}, {"Label12", "Combo4"},
    {"Label13", "Combo5"}, {"Label1", "Text1"},   {"Label2", "Text3"},   {"Label3", "Combo7"},
    {"Label5", "Text4"},   {"Label8", "Text6"},   {"Label6", "Text7"},   {"Label4", "Text5"},
};

// Names read out for the controls that have no label of their own.
constexpr std::pair<const char *, const char *> kAccessibleNames[] = {
    {"Text2", QT_TRANSLATE_NOOP("MainWindow", "厂商代码 第二字节")},
    {"RichTextBox1", QT_TRANSLATE_NOOP("MainWindow", "发送区")},
    {"RichTextBox4", QT_TRANSLATE_NOOP("MainWindow", "发送区")},
    {"RichTextBox2", QT_TRANSLATE_NOOP("MainWindow", "接收区")},
    {"RichTextBox3", QT_TRANSLATE_NOOP("MainWindow", "数据分析")},
    {"Shape1", QT_TRANSLATE_NOOP("MainWindow", "状态")},
};

constexpr int kClientWidthTwips = 13680;
constexpr int kClientHeightTwips = 9090;

int pixels(int twips)
{
    return qRound(twips / 15.0);
}

QSize firstSize()
{
    return {pixels(kClientWidthTwips), pixels(kClientHeightTwips)};
}

// The pixels a window of `size` has beyond its first size, as the growing controls take them.
struct Extra
{
    int width, receive, analysis;
};

Extra extraFor(QSize size)
{
    const QSize grown = (size - firstSize()).expandedTo(QSize(0, 0));
    // A third of the extra height to the receive area and two thirds to the data-analysis area:
    // a reply's hex fills two or three lines of the receive area, while its decoded readings
    // fill twenty of the data-analysis area (an M-Bus heat meter's reading with its outcome).
    const int receive = qRound(grown.height() / 3.0);
    return {grown.width(), receive, grown.height() - receive};
}

QRect placed(const Placement &p, const Extra &extra)
{
    QRect r(pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height));
    if (p.follow != Follow::Stays)
        r.setWidth(r.width() + extra.width);
    switch (p.follow) {
    case Follow::Stays:
    case Follow::Widens:
        break;
    case Follow::Grows:
        r.setHeight(r.height() + extra.receive + extra.analysis);
        break;
    case Follow::ReceiveShare:
        r.setHeight(r.height() + extra.receive);
        break;
    case Follow::AnalysisFrame:
        r.moveTop(r.top() + extra.receive);
        [[fallthrough]];
    case Follow::AnalysisArea:
        r.setHeight(r.height() + extra.analysis);
        break;
    }
    return r;
}

void placeControls(QWidget &window)
{
    const Extra extra = extraFor(window.size());
    for (const Placement &p : kLayout) {
        auto *widget = window.findChild<QWidget *>(QString::fromUtf8(p.name));
        Q_ASSERT_X(widget, "ApplyLayout", p.name);
        if (widget)
            widget->setGeometry(placed(p, extra));
    }
}

// Places the controls afresh whenever the window it watches changes size.
class LayoutFollower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            placeControls(*static_cast<QWidget *>(watched));
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ApplyLayout(QWidget &window)
{
    window.setMinimumSize(firstSize());
    window.resize(firstSize());
    placeControls(window);
    window.installEventFilter(new LayoutFollower(&window));
}

void DescribeControls(QWidget &window)
{
    for (const auto &[labelName, controlName] : kLabelled)
        window.findChild<QLabel *>(QString::fromUtf8(labelName))
            ->setBuddy(window.findChild<QWidget *>(QString::fromUtf8(controlName)));
    for (const auto &[controlName, accessibleName] : kAccessibleNames)
        window.findChild<QWidget *>(QString::fromUtf8(controlName))
            ->setAccessibleName(QCoreApplication::translate("MainWindow", accessibleName));
}
