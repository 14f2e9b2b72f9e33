#include "mainwindow.h"

#include "cj188.h"
#include "cj188decoder.h"
#include "conversions.h"
#include "framebox.h"
#include "glowbutton.h"
#include "lampwidget.h"
#include "mbus.h"
#include "mbusdecoder.h"
#include "messageboxes.h"
#include "polltimer.h"
#include "trafficlog.h"
#include "traffictextarea.h"
#include "windowdefinition.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardPaths>
#include <QUrl>

namespace {

// Colours are given as 0x00BBGGRR values, red in the low byte.
QColor bgr(quint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

constexpr quint32 kFormBack = 0xE0E0E0;
constexpr quint32 kCaptionBlue = 0xC00000;
constexpr quint32 kLampOpen = 0x00C000;
constexpr quint32 kLampClosed = 0x000000;
constexpr quint32 kLampSent = 0x004000;
constexpr quint32 kLampReceived = 0x000080;
constexpr quint32 kPollingGreen = 0x00FF00;
constexpr quint32 kIntervalWhite = 0xFFFFFF;

// The receive area keeps the newest 1 MiB of traffic (three characters a byte), so that a meter
// streaming for hours between two commands cannot use up the memory.
constexpr int kReceiveAreaCharacters = 3 * 1024 * 1024;

// The received counter's face changes together with the receive area's text; this is its limit
// when no new text comes with it (longer than the area waits between frames while streaming).
constexpr int kCaptionDelayMs = 120;

const QString kOpenCaption = QStringLiteral("打开串口");
const QString kCloseCaption = QStringLiteral("关闭串口");
// Title and text of the port-closed warning.
const QString kSystemPromptTitle = QStringLiteral("系统提示");
QString PortClosedText(const QString &portListText)
{
    return QStringLiteral("通信端口") + portListText + QStringLiteral("端口没打开！");
}
const QString kOpenFailedTitle = QStringLiteral("错误提示 (0x") + QString::number(8002) + ")";
const QString kErrorTitle = QStringLiteral("错误提示");
const QString kInitialSettings = QStringLiteral("2400,E,8,1");

QFont fontOf(const QStringList &families, double points)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    return font;
}

QFont songTi(double points)
{
    return fontOf({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")},
                  points);
}

QFont heiTi(double points)
{
    return fontOf({QStringLiteral("SimHei"), QStringLiteral("黑体"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")},
                  points);
}

QFont timesNewRoman(double points)
{
    return fontOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                   QStringLiteral("DejaVu Serif")},
                  points);
}

QFont verdana(double points)
{
    return fontOf({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                   QStringLiteral("WenQuanYi Micro Hei")},
                  points);
}

// Every control's place, in twips relative to its container (15 twips to the pixel).
struct Placement
{
    const char *name;
    int left, top, width, height;
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
    {"mainpage", 2880, 120, 10695, 8895},
    {"GlowButton2", 120, 240, 2295, 420},
    {"GlowButton4", 2400, 240, 2295, 420},
    {"CJ188仪表", 120, 600, 10455, 3015},
    {"EN1434仪表", 120, 600, 10455, 3015},
    {"Frame9", 120, 3720, 10455, 2895},
    {"RichTextBox2", 120, 240, 10215, 2535},
    {"Frame2", 120, 6720, 10455, 2055},
    {"RichTextBox3", 120, 240, 10215, 1695},
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
    {"Frame1", 120, 2160, 10215, 735},
    {"RichTextBox1", 120, 240, 9975, 375},
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
    {"Frame8", 120, 2160, 10215, 735},
    {"RichTextBox4", 120, 240, 9975, 375},
    {"Frame7", 6840, 240, 3255, 1575},
    {"GlowButton13", 120, 360, 975, 495},
    {"GlowButton14", 120, 960, 975, 495},
    {"Text5", 1560, 720, 855, 375},
    {"Label4", 2640, 840, 495, 495},
};

// Labels that name the control beside them (for screen readers and keyboard mnemonics).
constexpr std::pair<const char *, const char *> kLabelled[] = {
    {"Label9", "Combo1"}, {"Label10", "Combo2"}, {"Label11", "Combo3"}, {"Label12", "Combo4"},
    {"Label13", "Combo5"}, {"Label1", "Text1"},  {"Label2", "Text3"},   {"Label3", "Combo7"},
    {"Label5", "Text4"},   {"Label8", "Text6"},  {"Label6", "Text7"},   {"Label4", "Text5"},
};

// Names read out for the controls that have no label of their own.
constexpr std::pair<const char *, const char *> kAccessibleNames[] = {
    {"Text2", "厂商代码 第二字节"}, {"RichTextBox1", "发送区"}, {"RichTextBox4", "发送区"},
    {"RichTextBox2", "接收区"},     {"RichTextBox3", "数据分析"}, {"Shape1", "状态"},
};

constexpr int kClientWidthTwips = 13680;
constexpr int kClientHeightTwips = 9090;

int pixels(int twips)
{
    return qRound(twips / 15.0);
}

template <typename T>
T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

FrameBox *frame(QWidget *parent, const QString &name, const QString &caption = QString(),
                bool blueCaption = false)
{
    auto *box = named(new FrameBox(caption, parent), name);
    box->setFont(songTi(9));
    if (blueCaption)
        box->setCaptionColor(bgr(kCaptionBlue));
    return box;
}

QLabel *label(QWidget *parent, const QString &name, const QString &caption)
{
    auto *l = named(new QLabel(caption, parent), name);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

// A button of the window with its stored settings (caption, style, font) from the definition.
GlowButton *button(QWidget *parent, const QString &name)
{
    auto *b = named(new GlowButton(parent), name);
    const bool stored = LoadStoredSettings(*b);
    Q_ASSERT_X(stored, "button", qPrintable(name));
    Q_UNUSED(stored);
    return b;
}

void setBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

// Keeps only the characters `keep` lets through, at most `maxLength` of them, every time the
// box's text changes. The filter runs before the limit, so that pasted separators do not use up
// room meant for digits. The cursor stays after the last character typed.
void installFilter(QLineEdit *box, QString (*keep)(const QString &), int maxLength)
{
    auto filter = [box, keep, maxLength](const QString &text) {
        const QString kept = keep(text).left(maxLength);
        if (kept == text)
            return;
        const qsizetype keptBeforeCursor = keep(text.left(box->cursorPosition())).size();
        box->setText(kept);
        box->setCursorPosition(int(std::min<qsizetype>(keptBeforeCursor, maxLength)));
    };
    QObject::connect(box, &QLineEdit::textChanged, box, filter);
}

// Shows `text` in an editable list, selecting its item when it has one, so that the arrow keys
// move on from what is shown.
void showItem(QComboBox *list, const QString &text)
{
    const int index = list->findText(text);
    if (index >= 0)
        list->setCurrentIndex(index);
    list->setEditText(text);
}

// A list that is refilled each time it drops down.
class RefreshingList : public QComboBox
{
public:
    using QComboBox::QComboBox;
    void showPopup() override
    {
        if (beforeShowing)
            beforeShowing();
        QComboBox::showPopup();
    }
    std::function<void()> beforeShowing;
};

// An input box whose text `keep` filters and limits to `maxLength` characters.
QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text,
                   QString (*keep)(const QString &), int maxLength)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setText(text);
    box->setFont(songTi(12));
    installFilter(box, keep, maxLength);
    return box;
}

TrafficTextArea *trafficArea(QWidget *parent, const QString &name, bool wrap)
{
    auto *area = named(new TrafficTextArea(parent), name);
    area->setWrap(wrap);
    setBackground(area, Qt::white);
    return area;
}

// The logo: drawn here at its design size, shown stretched into its box.
QPixmap makeLogo()
{
    QPixmap logo(947, 283);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 283);
    sky.setColorAt(0, QColor(16, 72, 150));
    sky.setColorAt(1, QColor(6, 30, 72));
    painter.fillRect(logo.rect(), sky);
    // A meter dial on the left.
    painter.setPen(QPen(QColor(190, 220, 255), 10));
    painter.setBrush(QColor(235, 245, 255));
    painter.drawEllipse(QPointF(150, 141), 100, 100);
    painter.setPen(QPen(QColor(16, 72, 150), 6));
    for (int i = 0; i < 12; ++i) {
        painter.save();
        painter.translate(150, 141);
        painter.rotate(i * 30);
        painter.drawLine(0, -84, 0, -70);
        painter.restore();
    }
    painter.setPen(QPen(QColor(220, 40, 40), 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(150, 141), QPointF(205, 90));
    painter.setPen(Qt::white);
    QFont title = verdana(60);
    title.setPixelSize(96);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(290, 20, 640, 150), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("MeterDesk"));
    QFont subtitle = songTi(30);
    subtitle.setPixelSize(52);
    painter.setFont(subtitle);
    painter.setPen(QColor(190, 220, 255));
    painter.drawText(QRect(295, 170, 640, 80), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("仪表通讯测试"));
    return logo;
}

QString helpText()
{
#ifdef Q_OS_WIN
    const QString portTable = QStringLiteral("COMn 即系统中的串口 COMn。");
#else
    const QString portTable = QStringLiteral(
        "COM1–COM4 = /dev/ttyS0–/dev/ttyS3\n"
        "COM5–COM12 = /dev/ttyUSB0–/dev/ttyUSB7\n"
        "COM13–COM20 = /dev/ttyACM0–/dev/ttyACM7\n"
        "（鼠标停在端口列表的条目上可看到对应的设备。）\n\n"
        "端口映射文件\n"
        "其他设备（如 /dev/ttyUSB8、/dev/ttyAMA0）也可放在任一端口号上："
        "在映射文件中每行写一个“COMn=设备”（n 为 1–20），例如：\n"
        "COM5=/dev/serial/by-id/usb-FTDI_A10K1234-if00-port0\n"
        "本用户：~/.config/MeterDesk/ports.ini\n"
        "所有用户：/etc/xdg/MeterDesk/ports.ini\n"
        "以 # 开头的行是注释。启动时和每次关闭串口后重新读取；有错误的行在终端上报告。\n"
        "只用于本次运行：meterdesk --port COM5=/dev/ttyAMA0\n"
        "查看各端口的设备和状态：meterdesk --list-ports\n\n"
        "Linux 下串口不能设置 1.5 个停止位：选择“1.5”时打开串口会失败。");
#endif
    return QStringLiteral(
               "选择端口\n"
               "在“串口配置”中选择端口号、波特率、校验位、数据位和停止位，再点击“打开串口”，"
               "状态灯变绿即已打开。端口号后标有“ 占用”的端口正被其他程序使用。"
               "端口打开期间设置不能修改。\n\n"
               "端口对应的设备\n") +
           portTable +
           QStringLiteral(
               "\n\n读表\n"
               "CJ188仪表：输入仪表地址（最多 10 位数字）和厂商代码，选择仪表类型，点击“读表数据”。"
               "不知道地址时，只接一块表，点击“读表地址”。\n"
               "EN1434仪表：输入一次地址（十六进制两位，FE 为单表通用地址），点击“读表数据”；"
               "在“新表地址”中输入新地址后点击“修改地址”。\n"
               "收到所读仪表的读表应答，且校验和与结束符正确时，“数据分析”区显示“校验通过！”。\n\n"
               "连续读表\n"
               "输入间隔秒数，点击“开始”后按间隔自动读表，点击“停止”结束。\n\n"
               "点击“发送”或“接收”旁的计数可清零。");
}

} // namespace

MainWindow::MainWindow(const PortMap &portMap, MessageBoxes &messages, QWidget *parent)
    : MainWindow([portMap] { return portMap; }, messages, parent)
{
}

MainWindow::MainWindow(PortMapSource portMaps, MessageBoxes &messages, QWidget *parent)
    : QWidget(parent), m_messages(messages), m_portMaps(std::move(portMaps)),
      m_comm(PortMap::empty())
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral(" "));
    setFont(songTi(10.5));
    setAutoFillBackground(true);
    QPalette formPalette = palette();
    formPalette.setColor(QPalette::Window, bgr(kFormBack));
    setPalette(formPalette);
    m_comm.setObjectName(QStringLiteral("MSComm1"));

    m_traffic.setView(this);
    m_traffic.setPort(this);
    m_traffic.setRecognizer(kReplyCj188, &::Cj188RecognizeReply);
    m_traffic.setRecognizer(kReplyMbus, &::MbusRecognizeReply);

    buildLeftColumn();
    buildMeterArea();
    applyLayout();
    describeControls();

    m_candidateTimer.setSingleShot(true);
    m_candidateTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_candidateTimer, &QTimer::timeout, this, &MainWindow::checkCandidate);
    connect(&m_comm, &SerialComm::OnComm, this, &MainWindow::onComm);
    connect(&m_comm, &SerialComm::DeviceLost, this, &MainWindow::onDeviceLost);

    formLoad();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLeftColumn()
{
    auto *logoFrame = frame(this, QStringLiteral("Frame3"));
    auto *logo = label(logoFrame, QStringLiteral("Image1"), QString());
    logo->setPixmap(makeLogo());
    logo->setScaledContents(true);

    auto *settings = frame(this, QStringLiteral("setpage"), QStringLiteral("串口配置"), true);
    const QStringList captions = {QStringLiteral("端口号"), QStringLiteral("波特率"),
                                  QStringLiteral("校验位"), QStringLiteral("数据位"),
                                  QStringLiteral("停止位"), QStringLiteral("状态"),
                                  QStringLiteral("发送"),   QStringLiteral("接收")};
    for (int i = 0; i < captions.size(); ++i)
        label(settings, QStringLiteral("Label%1").arg(9 + i), captions.at(i))->setFont(songTi(9));

    auto list = [settings](const QString &name, const QStringList &items, const QString &text,
                           QComboBox *combo = nullptr) {
        combo = named(combo ? combo : new QComboBox(settings), name);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setFont(timesNewRoman(9));
        setBackground(combo, bgr(kFormBack));
        combo->addItems(items);
        showItem(combo, text);
        return combo;
    };
    auto *portList = new RefreshingList(settings);
    portList->beforeShowing = [this] { refreshPortList(); };
    Combo1 = list(QStringLiteral("Combo1"), {}, QString(), portList);
    Combo2 = list(QStringLiteral("Combo2"),
                  {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600",
                   "115200"},
                  QStringLiteral("2400"));
    Combo3 = list(QStringLiteral("Combo3"), {}, QStringLiteral("偶EVEN"));
    Combo4 = list(QStringLiteral("Combo4"), {"6", "7", "8"}, QStringLiteral("8"));
    Combo5 = list(QStringLiteral("Combo5"), {"1", "1.5", "2"}, QStringLiteral("1"));
    // The list shows the device behind the port it shows, as each entry does when dropped down.
    connect(Combo1, &QComboBox::currentTextChanged, this, [this](const QString &text) {
        Combo1->setToolTip(m_comm.devicePath(LeadingNumber(text.mid(3, 2))));
    });

    Shape1 = named(new LampWidget(bgr(kLampClosed), settings), QStringLiteral("Shape1"));
    named(new LampWidget(bgr(kLampSent), settings), QStringLiteral("Shape2"));
    named(new LampWidget(bgr(kLampReceived), settings), QStringLiteral("Shape3"));
    OpenCOomPort = button(settings, QStringLiteral("OpenCOomPort"));
    GlowButton5 = button(settings, QStringLiteral("GlowButton5"));
    GlowButton6 = button(settings, QStringLiteral("GlowButton6"));
    connect(OpenCOomPort, &GlowButton::Click, this, &MainWindow::onOpenClosePort);
    connect(GlowButton5, &GlowButton::Click, this, [this] { m_traffic.ResetTxCount(); });
    connect(GlowButton6, &GlowButton::Click, this, [this] {
        m_traffic.ResetRxCount();
        showRxCaption();
    });

    auto *productFrame = frame(this, QStringLiteral("Frame5"));
    auto *product = button(productFrame, QStringLiteral("GlowButton9"));
    connect(product, &GlowButton::Click, this, &MainWindow::openProductPage);

    auto *exitFrame = frame(this, QStringLiteral("Frame4"));
    auto *help = button(exitFrame, QStringLiteral("GlowButton7"));
    auto *quit = button(exitFrame, QStringLiteral("GlowButton8"));
    connect(help, &GlowButton::Click, this, &MainWindow::showHelp);
    connect(quit, &GlowButton::Click, this, [this] {
        if (m_exitHandler)
            m_exitHandler();
        else
            QCoreApplication::exit(0);
    });
}

void MainWindow::buildMeterArea()
{
    auto *area = frame(this, QStringLiteral("mainpage"));
    auto *cjButton = button(area, QStringLiteral("GlowButton2"));
    auto *mbusButton = button(area, QStringLiteral("GlowButton4"));
    connect(cjButton, &GlowButton::Click, this, &MainWindow::showCj188Page);
    connect(mbusButton, &GlowButton::Click, this, &MainWindow::showMbusPage);

    m_cj188Page = named(new QWidget(area), QStringLiteral("CJ188仪表"));
    m_mbusPage = named(new QWidget(area), QStringLiteral("EN1434仪表"));
    buildCj188Page(m_cj188Page);
    buildMbusPage(m_mbusPage);

    auto *receiveFrame = frame(area, QStringLiteral("Frame9"), QStringLiteral("接收区"), true);
    RichTextBox2 = trafficArea(receiveFrame, QStringLiteral("RichTextBox2"), true);
    RichTextBox2->setMaximumLength(kReceiveAreaCharacters);
    connect(RichTextBox2, &TrafficTextArea::appendsShown, this, &MainWindow::showRxCaption);
    m_rxCaptionTimer.setSingleShot(true);
    connect(&m_rxCaptionTimer, &QTimer::timeout, this, &MainWindow::showRxCaption);
    auto *analysisFrame = frame(area, QStringLiteral("Frame2"), QStringLiteral("数据分析"), true);
    RichTextBox3 = trafficArea(analysisFrame, QStringLiteral("RichTextBox3"), true);
    RichTextBox3->setFont(songTi(12));
    Timer2 = named(new PollTimer(analysisFrame), QStringLiteral("Timer2"));
    connect(Timer2, &PollTimer::Timer, this, &MainWindow::MbusReadData);
}

void MainWindow::buildCj188Page(QWidget *page)
{
    label(page, QStringLiteral("Label1"), QStringLiteral("仪表地址"));
    label(page, QStringLiteral("Label2"), QStringLiteral("厂商代码"));
    label(page, QStringLiteral("Label3"), QStringLiteral("仪表类型"));
    Text1 = textBox(page, QStringLiteral("Text1"), QString(), &KeepDigits, 10);
    Text3 = textBox(page, QStringLiteral("Text3"), QStringLiteral("33"), &KeepDigits, 2);
    Text2 = textBox(page, QStringLiteral("Text2"), QStringLiteral("78"), &KeepDigits, 2);

    Combo7 = named(new QComboBox(page), QStringLiteral("Combo7"));
    Combo7->setEditable(true);
    Combo7->setInsertPolicy(QComboBox::NoInsert);
    Combo7->setFont(heiTi(12));
    Combo7->addItems({QStringLiteral("冷水水表 - 10H"), QStringLiteral("热水水表 - 11H"),
                      QStringLiteral("净水水表 - 12H"), QStringLiteral("中水水表 - 13H"),
                      QStringLiteral("大口径表 - 19H"), QStringLiteral("热计量表 - 20H"),
                      QStringLiteral("冷计量表 - 21H")});
    Combo7->setCurrentIndex(0);

    auto *readData = button(page, QStringLiteral("GlowButton1"));
    auto *readAddress = button(page, QStringLiteral("GlowButton3"));
    connect(readData, &GlowButton::Click, this, &MainWindow::Cj188ReadData);
    connect(readAddress, &GlowButton::Click, this, &MainWindow::Cj188ReadAddress);

    auto *sendFrame = frame(page, QStringLiteral("Frame1"), QStringLiteral("发送区"));
    RichTextBox1 = trafficArea(sendFrame, QStringLiteral("RichTextBox1"), false);

    Timer1 = named(new PollTimer(page), QStringLiteral("Timer1"));
    connect(Timer1, &PollTimer::Timer, this, &MainWindow::Cj188ReadData);
    Text4 = buildPollingFrame(page, {"Frame6", "GlowButton11", "GlowButton12", "Text4", "Label5"},
                              &MainWindow::Timer1, &MainWindow::Cj188StartPolling,
                              &MainWindow::Cj188StopPolling);
}

void MainWindow::buildMbusPage(QWidget *page)
{
    label(page, QStringLiteral("Label8"), QStringLiteral("仪表地址"));
    label(page, QStringLiteral("Label6"), QStringLiteral("新表地址"));
    Text6 = textBox(page, QStringLiteral("Text6"), QString(), &KeepHexDigits, 2);
    Text7 = textBox(page, QStringLiteral("Text7"), QString(), &KeepHexDigits, 2);

    auto *readData = button(page, QStringLiteral("GlowButton17"));
    auto *changeAddress = button(page, QStringLiteral("GlowButton15"));
    connect(readData, &GlowButton::Click, this, &MainWindow::MbusReadData);
    connect(changeAddress, &GlowButton::Click, this, &MainWindow::MbusChangeAddress);

    auto *sendFrame = frame(page, QStringLiteral("Frame8"), QStringLiteral("发送区"));
    RichTextBox4 = trafficArea(sendFrame, QStringLiteral("RichTextBox4"), false);

    // Timer2 lives in the analysis frame, built after this page.
    Text5 = buildPollingFrame(page, {"Frame7", "GlowButton13", "GlowButton14", "Text5", "Label4"},
                              &MainWindow::Timer2, &MainWindow::MbusStartPolling,
                              &MainWindow::MbusStopPolling);
}

QLineEdit *MainWindow::buildPollingFrame(QWidget *page, const PollingNames &names,
                                         PollTimer *MainWindow::*timer, void (MainWindow::*start)(),
                                         void (MainWindow::*stop)())
{
    auto *polling = frame(page, QString::fromUtf8(names.frame), QStringLiteral("连续读表"));
    auto *startButton = button(polling, QString::fromUtf8(names.start));
    auto *stopButton = button(polling, QString::fromUtf8(names.stop));
    auto *interval =
        textBox(polling, QString::fromUtf8(names.interval), QStringLiteral("1"), &KeepDigits, 3);
    setBackground(interval, bgr(kIntervalWhite));
    label(polling, QString::fromUtf8(names.unit), QStringLiteral("秒"));
    connect(interval, &QLineEdit::textChanged, this,
            [this, interval, timer] { onIntervalChanged(interval, this->*timer); });
    connect(startButton, &GlowButton::Click, this, start);
    connect(stopButton, &GlowButton::Click, this, stop);
    return interval;
}

void MainWindow::applyLayout()
{
    setFixedSize(pixels(kClientWidthTwips), pixels(kClientHeightTwips));
    for (const Placement &p : kLayout) {
        auto *widget = findChild<QWidget *>(QString::fromUtf8(p.name));
        Q_ASSERT_X(widget, "applyLayout", p.name);
        if (widget)
            widget->setGeometry(pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height));
    }
}

void MainWindow::describeControls()
{
    for (const auto &[labelName, controlName] : kLabelled)
        findChild<QLabel *>(QString::fromUtf8(labelName))
            ->setBuddy(findChild<QWidget *>(QString::fromUtf8(controlName)));
    for (const auto &[controlName, accessibleName] : kAccessibleNames)
        findChild<QWidget *>(QString::fromUtf8(controlName))
            ->setAccessibleName(QString::fromUtf8(accessibleName));
}

void MainWindow::formLoad()
{
    Combo1->clear();
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    refillPortList();

    m_comm.setSettings(kInitialSettings);
    m_comm.setInputMode(SerialComm::comInputModeBinary);
    m_comm.setRThreshold(1);
    m_comm.setSThreshold(1);
    m_comm.setInputLen(0);

    Combo3->addItems({QStringLiteral("无NONE"), QStringLiteral("奇ODD"), QStringLiteral("偶EVEN"),
                      QStringLiteral("标MARK"), QStringLiteral("空SPACE")});
    showItem(Combo3, QStringLiteral("偶EVEN"));

    m_cj188Page->setVisible(true);
    m_mbusPage->setVisible(false);

    if (m_comm.PortOpen()) {
        OpenCOomPort->SetCaption(kOpenCaption);
        m_comm.setPortOpen(false);
    }
}

void MainWindow::refillPortList()
{
    Combo1->clear();
    m_comm.setPortMap(m_portMaps());
    const QStringList entries = ProbePorts(m_comm);
    for (const QString &entry : entries) {
        Combo1->addItem(entry);
        const int port = LeadingNumber(entry.mid(3));
        Combo1->setItemData(Combo1->count() - 1, m_comm.devicePath(port), Qt::ToolTipRole);
    }
    Combo1->setEditText(entries.value(0));
}

void MainWindow::refreshPortList()
{
    // The port list can only drop down while the port is closed, so probing is safe.
    const QString shown = Combo1->currentText();
    refillPortList();
    showItem(Combo1, shown);
}

QString MainWindow::settingsText() const
{
    return Combo2->currentText() + ',' + Combo3->currentText().mid(1, 1) + ',' +
           Combo4->currentText() + ',' + Combo5->currentText();
}

void MainWindow::setSettingsListsEnabled(bool enabled)
{
    for (QComboBox *list : {Combo1, Combo2, Combo3, Combo4, Combo5}) {
        list->setEnabled(enabled);
        setBackground(list, bgr(kFormBack));
    }
}

void MainWindow::onOpenClosePort()
{
    // A loss on its way is what this click meets: report it, and the port is closed.
    if (m_comm.DeliverPendingLoss())
        return;
    if (m_comm.PortOpen())
        closePort();
    else
        openPort();
}

void MainWindow::openPort()
{
    // "COM12" and "COM3 占用" alike: the port number stands in characters 4 and 5.
    const int port = LeadingNumber(Combo1->currentText().mid(3, 2));
    if (m_comm.setCommPort(port) != SerialComm::kNoError)
        return openFailed();
    if (m_comm.setSettings(settingsText()) != SerialComm::kNoError)
        return openFailed();

    OpenCOomPort->SetCaption(kCloseCaption);
    Shape1->setColor(bgr(kLampOpen));
    if (m_comm.setPortOpen(true) != SerialComm::kNoError)
        return openFailed();
    m_portOpen = true;
    m_traffic.setBaudRate(LeadingNumber(Combo2->currentText()));
    setSettingsListsEnabled(false);
    Cj188StopPolling();
    MbusStopPolling();
}

void MainWindow::openFailed()
{
    OpenCOomPort->SetCaption(kOpenCaption);
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    m_portOpen = false;
    Shape1->setColor(bgr(kLampClosed));
    setSettingsListsEnabled(true);
    m_messages.show(QStringLiteral("通信端口") + Combo1->currentText() + QStringLiteral("无法打开！"),
                    kOpenFailedTitle, MessageBoxes::Icon::Error, QMessageBox::Ok);
}

void MainWindow::closePort()
{
    Combo1->clear();
    if (m_comm.PortOpen())
        m_comm.setPortOpen(false);
    refillPortList();
    OpenCOomPort->SetCaption(kOpenCaption);
    m_comm.setPortOpen(false);
    m_portOpen = false;
    Shape1->setColor(bgr(kLampClosed));
    setSettingsListsEnabled(true);
    Cj188StopPolling();
    MbusStopPolling();
}

void MainWindow::onDeviceLost()
{
    const QString lostPort = Combo1->currentText();
    closePort();
    // The lost port stays chosen: opening it again fails until it is back, rather than opening
    // whatever port now comes first.
    showItem(Combo1, lostPort);
    m_messages.show(QStringLiteral("通信端口") + lostPort + QStringLiteral("已断开！"), kErrorTitle,
                    MessageBoxes::Icon::Error, QMessageBox::Ok);
}

void MainWindow::onComm()
{
    if (m_comm.CommEvent() != SerialComm::comEvReceive)
        return;
    const QByteArray input = m_comm.Input();
    if (m_log)
        m_log->received(input);
    m_traffic.ReceiveNotification(input);
    checkCandidate();
}

void MainWindow::checkCandidate()
{
    const int dueInMs = m_traffic.AbandonStaleCandidate();
    if (dueInMs < 0)
        m_candidateTimer.stop();
    else
        m_candidateTimer.start(dueInMs);
}

void MainWindow::showCj188Page()
{
    m_cj188Page->setVisible(true);
    m_mbusPage->setVisible(false);
}

void MainWindow::showMbusPage()
{
    m_cj188Page->setVisible(false);
    m_mbusPage->setVisible(true);
    Cj188StopPolling();
}

void MainWindow::showHelp()
{
    m_messages.show(helpText(), QStringLiteral("帮助"), MessageBoxes::Icon::Information,
                    QMessageBox::Ok);
}

void MainWindow::openProductPage()
{
    // The project's page is the README built into the program. A browser cannot read it from
    // there, so it gets a copy in the cache folder. Neither a copy that cannot be written nor a
    // browser that does not start is an error here.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(folder);
    const QString copy = folder + QStringLiteral("/README.md");
    QFile readme(QStringLiteral(":/README.md"));
    QFile out(copy);
    if (readme.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(readme.readAll());
    out.close();
    const QUrl url = QUrl::fromLocalFile(copy);
    if (m_urlOpener)
        m_urlOpener(url);
    else
        QDesktopServices::openUrl(url);
}

void MainWindow::onIntervalChanged(QLineEdit *box, PollTimer *timer)
{
    timer->setInterval(LeadingNumber(box->text()) * 1000);
}

void MainWindow::Cj188ReadData()
{
    ::Cj188ReadData(m_traffic, {Combo7->currentText(), Text1->text(), Text3->text(), Text2->text()});
}

void MainWindow::Cj188ReadAddress()
{
    ::Cj188ReadAddress(m_traffic,
                       {Combo7->currentText(), Text1->text(), Text3->text(), Text2->text()});
}

void MainWindow::MbusReadData()
{
    ::MbusReadData(m_traffic, Text6->text());
}

void MainWindow::MbusChangeAddress()
{
    ::MbusChangeAddress(m_traffic, Text7->text());
}

void MainWindow::startPolling(PollTimer *timer, QLineEdit *intervalBox)
{
    if (!isOpen())
        return warnClosed();
    timer->setEnabled(true);
    setBackground(intervalBox, bgr(kPollingGreen));
}

void MainWindow::stopPolling(PollTimer *timer, QLineEdit *intervalBox)
{
    timer->setEnabled(false);
    setBackground(intervalBox, QApplication::palette().color(QPalette::Base));
}

void MainWindow::Cj188StartPolling()
{
    startPolling(Timer1, Text4);
}

void MainWindow::Cj188StopPolling()
{
    stopPolling(Timer1, Text4);
}

void MainWindow::MbusStartPolling()
{
    startPolling(Timer2, Text5);
}

void MainWindow::MbusStopPolling()
{
    stopPolling(Timer2, Text5);
}

void MainWindow::setSendAreaText(SendArea area, const QString &text)
{
    (area == SendArea::Cj188 ? RichTextBox1 : RichTextBox4)->setText(text);
}

void MainWindow::clearReplyAreas()
{
    RichTextBox2->clear();
    RichTextBox3->clear();
}

void MainWindow::appendReceiveText(const QString &text)
{
    RichTextBox2->appendText(text);
}

void MainWindow::showCheckedReply()
{
    // A checked read-data reply (ReplyMode still names its protocol): its values follow.
    const bool cj188 = m_traffic.ReplyMode == kReplyCj188;
    const DecodedReply reply = cj188 ? Cj188DecodeReply(Cj188CheckedFrame(m_traffic))
                                     : MbusDecodeReply(MbusCheckedFrame(m_traffic));
    RichTextBox3->setText(
        (QStringList{kChecksumPassedText} + DecodedReplyLines(reply)).join(QLatin1Char('\n')));
}

void MainWindow::setTxCaption(const QString &text)
{
    GlowButton5->SetCaption(text);
}

void MainWindow::setRxCaption(const QString &text)
{
    // Changes with every read while a meter streams: painted with the bytes of the receive area,
    // once per frame, instead of once per read.
    m_rxCaption = text;
    if (!m_rxCaptionTimer.isActive())
        m_rxCaptionTimer.start(kCaptionDelayMs);
}

void MainWindow::showRxCaption()
{
    if (!m_rxCaptionTimer.isActive())
        return;
    m_rxCaptionTimer.stop();
    GlowButton6->SetCaption(m_rxCaption);
}

void MainWindow::warnClosed()
{
    m_messages.show(PortClosedText(Combo1->currentText()), kSystemPromptTitle,
                    MessageBoxes::Icon::None, QMessageBox::Ok);
}

bool MainWindow::write(const QByteArray &bytes)
{
    if (m_log)
        m_log->sent(bytes);
    return m_comm.Output(bytes) == SerialComm::kNoError;
}
