#pragma once

#include "metersession.h"
#include <QColor>

#include <QComboBox>
#include <QFont>
#include <QString>
#include <functional>

class FrameBox;
class GlowButton;
class QLabel;
class QLineEdit;
class QWidget;
class TrafficTextArea;

// The window's colours, fonts and the factories that make its controls as the window shows them.
namespace WindowWidgets {

// Colours are given as 0x00BBGGRR values, red in the low byte.
QColor bgr(quint32 value);

constexpr quint32 kFormBack = 0xE0E0E0;
constexpr quint32 kCaptionBlue = 0xC00000;
constexpr quint32 kLampOpen = 0x00C000;
constexpr quint32 kLampClosed = 0x000000;
constexpr quint32 kLampSent = 0x004000;
constexpr quint32 kLampReceived = 0x000080;
constexpr quint32 kPollingGreen = 0x00FF00;
constexpr quint32 kIntervalWhite = 0xFFFFFF;

QFont songTi(double points);
QFont heiTi(double points);
QFont timesNewRoman(double points);
QFont verdana(double points);

void setBackground(QWidget *widget, const QColor &color);

template <typename T> T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

FrameBox *frame(QWidget *parent, const QString &name, const QString &caption = QString(),
                bool blueCaption = false);
QLabel *label(QWidget *parent, const QString &name, const QString &caption);
// A button of the window with its stored settings (caption, style, font) from the definition.
GlowButton *button(QWidget *parent, const QString &name);
TrafficTextArea *trafficArea(QWidget *parent, const QString &name, bool wrap);

// Which characters a filtered box accepts.
using KeepFilter = QString (*)(const QString &);

// What a filtered box shows once its text became `text` with the cursor at `cursor`.
struct FilteredText
{
    QString text;
    int cursor = 0;
};

// What a box whose text `keep` filters and `maxLength` limits keeps of an edit that turned
// `before` into `after`, leaving the cursor at `cursor`: the characters the edit added are
// filtered first and then cut to the room left, so that pasted separators use no room and a full
// box refuses a typed character instead of pushing out one it holds. The cursor stays after the
// kept characters that stood before it.
FilteredText FilterBoxText(const QString &before, const QString &after, int cursor, KeepFilter keep,
                           int maxLength);

// An input box whose text `keep` filters and limits to `maxLength` characters as it changes, as
// FilterBoxText describes.
QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, KeepFilter keep,
                   int maxLength);

// Shows `text` in an editable list, selecting its item when it has one, so that the arrow keys
// move on from what is shown.
void showItem(QComboBox *list, const QString &text);

// An editable list of the settings frame showing `text`. `list` is made here when null.
QComboBox *settingsList(QWidget *parent, const QString &name, const QStringList &items,
                        const QString &text, QComboBox *list = nullptr);

// The CJ188 meter types, cold water meter (10H) shown.
QComboBox *meterTypeList(QWidget *parent, const QString &name);
// The window's own text of a meter type entry shown in the window's language; a text that is no
// entry (typed by hand) as it stands.
QString MeterTypeEntry(const QString &shown);

// The parity list's entries as the window's own texts: the parity letter is their second
// character.
inline constexpr const char *kParities[] = {
    QT_TRANSLATE_NOOP("MainWindow", "无NONE"), QT_TRANSLATE_NOOP("MainWindow", "奇ODD"),
    QT_TRANSLATE_NOOP("MainWindow", "偶EVEN"), QT_TRANSLATE_NOOP("MainWindow", "标MARK"),
    QT_TRANSLATE_NOOP("MainWindow", "空SPACE")};
inline constexpr const char *kEvenParity = kParities[2];
// A parity entry in the window's language, and the window's own text of one shown so.
QString ParityEntryShown(const char *entry);
QString ParityEntry(const QString &shown);

// The port list: an entry for each probed port, with the device behind it as tooltip; the list
// shows the device behind the port it shows, too. `beforeShowing` runs each time it drops down.
class PortList : public QComboBox
{
public:
    PortList(std::function<QString(int port)> devicePath, QWidget *parent);
    // Replaces the entries by `ports` and shows the first one.
    void fill(const QList<ProbedPort> &ports);
    void showPopup() override;
    std::function<void()> beforeShowing;

private:
    std::function<QString(int port)> m_devicePath;
};

} // namespace WindowWidgets
