#include "windowwidgets.h"

#include "framebox.h"
#include "glowbutton.h"
#include "traffictextarea.h"
#include "windowdefinition.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <memory>

namespace WindowWidgets {

namespace {

QFont fontOf(const QStringList &families, double points)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    return font;
}

} // namespace

QColor bgr(quint32 value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
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

void setBackground(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

FrameBox *frame(QWidget *parent, const QString &name, const QString &caption, bool blueCaption)
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

GlowButton *button(QWidget *parent, const QString &name)
{
    auto *b = named(new GlowButton(parent), name);
    const bool stored = LoadStoredSettings(*b);
    Q_ASSERT_X(stored, "button", qPrintable(name));
    Q_UNUSED(stored);
    b->SetCaption(QCoreApplication::translate("MainWindow", b->Caption().toUtf8().constData()));
    return b;
}

TrafficTextArea *trafficArea(QWidget *parent, const QString &name, bool wrap)
{
    auto *area = named(new TrafficTextArea(parent), name);
    area->setWrap(wrap);
    setBackground(area, Qt::white);
    return area;
}

namespace {

qsizetype commonPrefixSize(QStringView a, QStringView b)
{
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype n = 0;
    while (n < limit && a[n] == b[n])
        ++n;
    return n;
}

qsizetype commonSuffixSize(QStringView a, QStringView b)
{
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype n = 0;
    while (n < limit && a[a.size() - 1 - n] == b[b.size() - 1 - n])
        ++n;
    return n;
}

} // namespace

FilteredText FilterBoxText(const QString &before, const QString &after, int cursor, KeepFilter keep,
                           int maxLength)
{
    // An edit replaces a middle part of `before` and leaves the cursor after what it put in, so
    // the text behind the cursor that `before` ends with too is old text, as is the common start.
    const qsizetype behind = std::clamp<qsizetype>(after.size() - cursor, 0, after.size());
    const qsizetype tail = std::min(behind, commonSuffixSize(before, after));
    const qsizetype head = commonPrefixSize(QStringView(before).first(before.size() - tail),
                                            QStringView(after).first(after.size() - tail));
    const QString start = keep(after.left(head));
    const QString end = keep(after.right(tail));
    // New characters take only the room the old ones leave: a full box refuses them.
    const qsizetype room = std::max<qsizetype>(0, maxLength - start.size() - end.size());
    const QString added = keep(after.mid(head, after.size() - head - tail)).left(room);
    const QString text = (start + added + end).left(maxLength);
    return {text, int(std::min(start.size() + added.size(), text.size()))};
}

QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, KeepFilter keep,
                   int maxLength)
{
    auto *box = named(new QLineEdit(parent), name);
    box->setText(text);
    box->setFont(songTi(12));
    // The text as last accepted, to tell what an edit added.
    auto accepted = std::make_shared<QString>(box->text());
    QObject::connect(box, &QLineEdit::textChanged, box,
                     [box, keep, maxLength, accepted](const QString &now) {
                         const FilteredText filtered =
                             FilterBoxText(*accepted, now, box->cursorPosition(), keep, maxLength);
                         *accepted = filtered.text;
                         if (filtered.text == now)
                             return;
                         box->setText(filtered.text);
                         box->setCursorPosition(filtered.cursor);
                     });
    return box;
}

void showItem(QComboBox *list, const QString &text)
{
    const int index = list->findText(text);
    if (index >= 0)
        list->setCurrentIndex(index);
    list->setEditText(text);
}

QComboBox *settingsList(QWidget *parent, const QString &name, const QStringList &items,
                        const QString &text, QComboBox *list)
{
    list = named(list ? list : new QComboBox(parent), name);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setFont(timesNewRoman(9));
    setBackground(list, bgr(kFormBack));
    list->addItems(items);
    showItem(list, text);
    return list;
}

namespace {

// The meter types as the window's own texts: the type byte is read from their characters 8 and 9.
constexpr const char *kMeterTypes[] = {QT_TRANSLATE_NOOP("MainWindow", "冷水水表 - 10H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "热水水表 - 11H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "净水水表 - 12H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "中水水表 - 13H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "大口径表 - 19H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "热计量表 - 20H"),
                                       QT_TRANSLATE_NOOP("MainWindow", "冷计量表 - 21H")};

// The captions the window definition gives the buttons, so that they are translated.
[[maybe_unused]] constexpr const char *kButtonCaptions[] = {
    QT_TRANSLATE_NOOP("MainWindow", "打开串口"),  QT_TRANSLATE_NOOP("MainWindow", "获取产品信息"),
    QT_TRANSLATE_NOOP("MainWindow", "帮助"),      QT_TRANSLATE_NOOP("MainWindow", "退出"),
    QT_TRANSLATE_NOOP("MainWindow", "CJ188仪表"), QT_TRANSLATE_NOOP("MainWindow", "EN1434仪表"),
    QT_TRANSLATE_NOOP("MainWindow", "读表数据"),  QT_TRANSLATE_NOOP("MainWindow", "读表地址"),
    QT_TRANSLATE_NOOP("MainWindow", "开始"),      QT_TRANSLATE_NOOP("MainWindow", "停止"),
    QT_TRANSLATE_NOOP("MainWindow", "修改地址")};

} // namespace

namespace {

// The window's own text of an entry of `entries` shown in the window's language; a text that is no
// entry (typed by hand) as it stands.
template <std::size_t N> QString SourceEntry(const QString &shown, const char *const (&entries)[N])
{
    for (const char *entry : entries) {
        if (shown == QCoreApplication::translate("MainWindow", entry))
            return QString::fromUtf8(entry);
    }
    return shown;
}

} // namespace

QString MeterTypeEntry(const QString &shown)
{
    return SourceEntry(shown, kMeterTypes);
}

QString ParityEntryShown(const char *entry)
{
    return QCoreApplication::translate("MainWindow", entry);
}

QString ParityEntry(const QString &shown)
{
    return SourceEntry(shown, kParities);
}

QComboBox *meterTypeList(QWidget *parent, const QString &name)
{
    auto *list = named(new QComboBox(parent), name);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setFont(heiTi(12));
    for (const char *entry : kMeterTypes)
        list->addItem(QCoreApplication::translate("MainWindow", entry));
    list->setCurrentIndex(0);
    return list;
}

PortList::PortList(std::function<QString(int port)> devicePath, QWidget *parent)
    : QComboBox(parent), m_devicePath(std::move(devicePath))
{
    connect(this, &QComboBox::currentTextChanged, this,
            [this](const QString &text) { setToolTip(m_devicePath(PortNumberOfEntry(text))); });
}

void PortList::fill(const QList<ProbedPort> &ports)
{
    clear();
    for (const ProbedPort &port : ports) {
        addItem(PortEntryText(port));
        setItemData(count() - 1, m_devicePath(port.number), Qt::ToolTipRole);
    }
    setEditText(ports.isEmpty() ? QString() : PortEntryText(ports.first()));
}

void PortList::showPopup()
{
    if (beforeShowing)
        beforeShowing();
    QComboBox::showPopup();
}

} // namespace WindowWidgets
