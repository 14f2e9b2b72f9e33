#pragma once

#include "cj188.h"
#include "glowbutton.h"
#include "metersession.h"
#include "poller.h"

#include <QHash>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

class BusWindow;
class CaptionPacer;
class LampWidget;
class MessageBoxes;
class QComboBox;
class QLineEdit;
class ReceiveAreaTools;
class TrafficLog;
class TrafficTextArea;
namespace WindowWidgets {
class PortList;
}

// The data-analysis area's first line for a reply that passed every check.
inline const QString kChecksumPassedText =
    QString::fromUtf8(QT_TRANSLATE_NOOP("MainWindow", "校验通过！"));
// The data-analysis area's line after a checked frame that was the request's own echo.
inline const QString kEchoText = QString::fromUtf8(
    QT_TRANSLATE_NOOP("MainWindow", "（本机回显：以上是本机发出的请求，继续等待仪表应答）"));
// Both lines in the window's language.
QString ChecksumPassedText();
QString EchoText();

// The only window of the program: serial settings on the left, the two meter pages, the receive
// area and the data-analysis area on the right. Its meter session owns the port and the traffic
// state; the window drives the meter commands of both protocols and shows what the session tells.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // Gives the map of devices behind COM1 to COM20; asked before every probe of the port list,
    // so that a changed map shows at the next probe.
    using PortMapSource = MeterSession::PortMapSource;

    // `portMaps` says which device stands behind each port; `messages` shows (or records) every
    // modal message.
    MainWindow(PortMapSource portMaps, MessageBoxes &messages, QWidget *parent = nullptr);
    // A window whose port map never changes.
    MainWindow(const PortMap &portMap, MessageBoxes &messages, QWidget *parent = nullptr);
    ~MainWindow() override = default;

    // What "退出" does; by default it quits the application.
    void setExitHandler(std::function<void()> handler) { m_exitHandler = std::move(handler); }
    // What "获取产品信息" does with the README's local copy; by default the desktop opens it.
    void setUrlOpener(std::function<void(const QUrl &)> opener) { m_urlOpener = std::move(opener); }
    // Asks where "保存通讯记录…" saves (empty: nowhere); by default a file dialog.
    void setSavePathChooser(std::function<QString()> chooser) { m_savePath = std::move(chooser); }

    // Every chunk sent and received goes to `log` too (nullptr: none); the window does not own it.
    // Should writing it fail, the window says so once and carries on without it.
    void setTrafficLog(TrafficLog *log);

    // The time a meter may take to start its reply, from the last request byte, for both pages
    // (0: each protocol's own).
    void setReplyTimeoutMs(int ms) { m_session.setReplyTimeoutMs(ms); }

    TrafficState &traffic() { return m_session.traffic(); }
    SerialComm &port() { return m_session.comm(); }

    // The page commands, as the buttons and timers run them.
    void Cj188ReadData();
    void Cj188ReadAddress();
    void MbusReadData();
    void MbusChangeAddress();
    void Cj188StartPolling() { m_cj188Polling->start(); }
    void Cj188StopPolling() { m_cj188Polling->stop(); }
    void MbusStartPolling() { m_mbusPolling->start(); }
    void MbusStopPolling() { m_mbusPolling->stop(); }

    // Shows the M-Bus bus window (made at its first showing) with the EN1434 page behind it.
    void showBusWindow();

private:
    // What the session tells, shown.
    void connectSession();
    void showRequest(quint8 protocol, const QString &text);
    void showCheckedReply(const DecodedReply &reply);
    // Adds a line at the end of the data-analysis area.
    void appendAnalysisLine(const QString &line);
    // The outcome's line, and during continuous reading the statistics after it.
    void showOutcome(const ReplyOutcome &outcome, const ReplyStatistics &statistics);
    void warnClosed();
    // Whether the bus window's operation holds the line; if so, says so and stops continuous
    // reading, so that no request of the pages mixes with the bus traffic.
    bool busOperationRuns();
    // The read-address answer's line, which a double click or its menu action copies into the
    // request fields.
    void showMeterAddress(const MeterIdentity &identity);
    void copyMeterAddress();
    // Saves the traffic since the port was opened where the technician says, and tells how it went.
    void saveTrafficRecord();
    // Asks for the file with a file dialog.
    QString chooseSavePath();
    // The CJ/T 188 page's texts as the meter a request goes to.
    Cj188Meter cj188Meter() const;

    // Runs `slot` at each click of `button`.
    template <typename Slot> void clickRuns(GlowButton *button, Slot slot)
    {
        connect(button, &GlowButton::Click, this, slot);
    }
    void buildLeftColumn();
    void buildSettingsFrame();
    void buildMeterArea();
    void buildCj188Page(QWidget *page);
    void buildMbusPage(QWidget *page);
    Poller *buildPoller(QWidget *page, const Poller::Names &names);
    void formLoad();

    void refillPortList();
    // Probes the ports afresh, keeping the port list's text.
    void refreshPortList();
    void setSettingsListsEnabled(bool enabled);
    void onOpenClosePort();
    void openPort();
    // Shows that the port did not open, with `reason` on a second line when known.
    void openFailed(const QString &reason);
    void closePort();
    void onDeviceLost();
    void showCj188Page();
    void showMbusPage();

    MessageBoxes &m_messages;
    MeterSession m_session;
    // Paints the received count with the receive area's frames.
    CaptionPacer *m_rxCaption = nullptr;
    std::function<void()> m_exitHandler;
    std::function<void(const QUrl &)> m_urlOpener;
    std::function<QString()> m_savePath;
    // Where file dialogs keep their state during this run (see chooseSavePath).
    std::unique_ptr<QTemporaryDir> m_dialogSettings;
    // The meter the data-analysis area names, and its line there.
    MeterIdentity m_meterIdentity;
    QString m_meterIdentityLine;

    // Settings page
    WindowWidgets::PortList *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QComboBox *Combo3 = nullptr;
    QComboBox *Combo4 = nullptr;
    QComboBox *Combo5 = nullptr;
    LampWidget *Shape1 = nullptr;
    GlowButton *OpenCOomPort = nullptr;
    GlowButton *GlowButton5 = nullptr;
    GlowButton *GlowButton6 = nullptr;

    // Meter area
    QWidget *m_cj188Page = nullptr;
    QWidget *m_mbusPage = nullptr;
    TrafficTextArea *RichTextBox1 = nullptr;
    TrafficTextArea *RichTextBox2 = nullptr;
    TrafficTextArea *RichTextBox3 = nullptr;
    TrafficTextArea *RichTextBox4 = nullptr;
    ReceiveAreaTools *m_receiveTools = nullptr;
    // The send area of each protocol's page, by protocol id.
    QHash<quint8, TrafficTextArea *> m_sendAreas;

    // CJ188 page
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QComboBox *Combo7 = nullptr;
    Poller *m_cj188Polling = nullptr;

    // EN1434 page
    QLineEdit *Text6 = nullptr;
    QLineEdit *Text7 = nullptr;
    Poller *m_mbusPolling = nullptr;

    BusWindow *m_busWindow = nullptr;
};
