#include "mainwindow.h"

#include "openfailure.h"

#include "buswindow.h"
#include "captionpacer.h"
#include "conversions.h"
#include "framebox.h"
#include "glowbutton.h"
#include "helptext.h"
#include "lampwidget.h"
#include "logo.h"
#include "mbus.h"
#include "messageboxes.h"
#include "meterfields.h"
#include "meterprotocols.h"
#include "polltimer.h"
#include "productpage.h"
#include "receiveareatools.h"
#include "sendareaentry.h"
#include "trafficlog.h"
#include "traffictextarea.h"
#include "windowlayout.h"
#include "windowwidgets.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>

using namespace WindowWidgets;

namespace {

// The receive area keeps the newest 1 MiB of traffic (three characters a byte), so that a meter
// streaming for hours between two commands cannot use up the memory.
constexpr int kReceiveAreaCharacters = 3 * 1024 * 1024;

// Texts asked for when shown, so that they come in the window's language.
QString OpenCaption()
{
    return MainWindow::tr("打开串口");
}
QString CloseCaption()
{
    return MainWindow::tr("关闭串口");
}
// Title and text of the port-closed warning.
QString SystemPromptTitle()
{
    return MainWindow::tr("系统提示");
}
QString PortClosedText(const QString &portListText)
{
    return MainWindow::tr("通信端口%1端口没打开！").arg(portListText);
}
QString OpenFailedTitle()
{
    return MainWindow::tr("错误提示 (0x%1)").arg(8002);
}
QString ErrorTitle()
{
    return MainWindow::tr("错误提示");
}

} // namespace

QString ChecksumPassedText()
{
    return MainWindow::tr(kChecksumPassedText.toUtf8().constData());
}

QString EchoText()
{
    return MainWindow::tr(kEchoText.toUtf8().constData());
}

MainWindow::MainWindow(const PortMap &portMap, MessageBoxes &messages, QWidget *parent)
    : MainWindow([portMap] { return portMap; }, messages, parent)
{
}

MainWindow::MainWindow(PortMapSource portMaps, MessageBoxes &messages, QWidget *parent)
    : QWidget(parent), m_messages(messages), m_session(std::move(portMaps), MeterProtocols())
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral(" "));
    setFont(songTi(10.5));
    setAutoFillBackground(true);
    QPalette formPalette = palette();
    formPalette.setColor(QPalette::Window, bgr(kFormBack));
    setPalette(formPalette);

    buildLeftColumn();
    buildMeterArea();
    ApplyLayout(*this);
    DescribeControls(*this);

    connectSession();

    formLoad();
}

void MainWindow::setTrafficLog(TrafficLog *log)
{
    m_session.setTrafficLog(log);
    if (!log)
        return;
    // Queued: the failure happens amid sending or receiving, which a modal message box must not
    // interrupt.
    connect(
        log, &TrafficLog::failed, this,
        [this, log](const QString &reason) {
            m_session.setTrafficLog(nullptr);
            log->disconnect(this);
            m_messages.show(tr("通讯记录写入失败：%1").arg(reason), ErrorTitle(),
                            MessageBoxes::Icon::Error, QMessageBox::Ok);
        },
        Qt::QueuedConnection);
}

void MainWindow::buildLeftColumn()
{
    auto *logoFrame = frame(this, QStringLiteral("Frame3"));
    auto *logo = label(logoFrame, QStringLiteral("Image1"), QString());
    logo->setPixmap(MakeLogo());
    logo->setScaledContents(true);

    buildSettingsFrame();

    auto *productFrame = frame(this, QStringLiteral("Frame5"));
    clickRuns(button(productFrame, QStringLiteral("GlowButton9")),
              [this] { OpenProductPage(m_urlOpener); });

    auto *exitFrame = frame(this, QStringLiteral("Frame4"));
    clickRuns(button(exitFrame, QStringLiteral("GlowButton7")), [this] {
        m_messages.show(HelpText(), tr("帮助"), MessageBoxes::Icon::Information, QMessageBox::Ok);
    });
    clickRuns(button(exitFrame, QStringLiteral("GlowButton8")), [this] {
        if (m_exitHandler)
            m_exitHandler();
        else
            QCoreApplication::exit(0);
    });
}

void MainWindow::buildSettingsFrame()
{
    auto *settings = frame(this, QStringLiteral("setpage"), tr("串口配置"), true);
    const QStringList captions = {tr("端口号"), tr("波特率"), tr("校验位"), tr("数据位"),
                                  tr("停止位"), tr("状态"),   tr("发送"),   tr("接收")};
    for (int i = 0; i < captions.size(); ++i)
        label(settings, QStringLiteral("Label%1").arg(9 + i), captions.at(i))->setFont(songTi(9));

    Combo1 = new PortList([this](int port) { return m_session.devicePath(port); }, settings);
    Combo1->beforeShowing = [this] { refreshPortList(); };
    settingsList(settings, QStringLiteral("Combo1"), {}, QString(), Combo1);
    Combo2 = settingsList(
        settings, QStringLiteral("Combo2"),
        {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
        QStringLiteral("2400"));
    Combo3 = settingsList(settings, QStringLiteral("Combo3"), {}, ParityEntryShown(kEvenParity));
    Combo4 = settingsList(settings, QStringLiteral("Combo4"), {"6", "7", "8"}, QStringLiteral("8"));
    Combo5 =
        settingsList(settings, QStringLiteral("Combo5"), {"1", "1.5", "2"}, QStringLiteral("1"));

    Shape1 = named(new LampWidget(bgr(kLampClosed), settings), QStringLiteral("Shape1"));
    named(new LampWidget(bgr(kLampSent), settings), QStringLiteral("Shape2"));
    named(new LampWidget(bgr(kLampReceived), settings), QStringLiteral("Shape3"));
    OpenCOomPort = button(settings, QStringLiteral("OpenCOomPort"));
    GlowButton5 = button(settings, QStringLiteral("GlowButton5"));
    GlowButton6 = button(settings, QStringLiteral("GlowButton6"));
    clickRuns(OpenCOomPort, &MainWindow::onOpenClosePort);
    clickRuns(GlowButton5, [this] { traffic().ResetTxCount(); });
    clickRuns(GlowButton6, [this] {
        traffic().ResetRxCount();
        m_rxCaption->showNow();
    });
}

void MainWindow::buildMeterArea()
{
    auto *area = frame(this, QStringLiteral("mainpage"));
    clickRuns(button(area, QStringLiteral("GlowButton2")), &MainWindow::showCj188Page);
    clickRuns(button(area, QStringLiteral("GlowButton4")), &MainWindow::showMbusPage);

    m_cj188Page = named(new QWidget(area), QStringLiteral("CJ188仪表"));
    m_mbusPage = named(new QWidget(area), QStringLiteral("EN1434仪表"));
    buildCj188Page(m_cj188Page);
    buildMbusPage(m_mbusPage);

    auto *receiveFrame = frame(area, QStringLiteral("Frame9"), tr("接收区"), true);
    RichTextBox2 = trafficArea(receiveFrame, QStringLiteral("RichTextBox2"), true);
    RichTextBox2->setMaximumLength(kReceiveAreaCharacters);
    m_rxCaption = new CaptionPacer(GlowButton6, RichTextBox2, this);
    m_receiveTools = new ReceiveAreaTools(RichTextBox2, [this] { saveTrafficRecord(); });
    auto *analysisFrame = frame(area, QStringLiteral("Frame2"), tr("数据分析"), true);
    RichTextBox3 = trafficArea(analysisFrame, QStringLiteral("RichTextBox3"), true);
    RichTextBox3->setFont(songTi(12));
    connect(RichTextBox3, &TrafficTextArea::lineDoubleClicked, this, [this](const QString &line) {
        if (!line.isEmpty() && line == m_meterIdentityLine)
            copyMeterAddress();
    });
    connect(RichTextBox3, &TrafficTextArea::contextMenuAboutToShow, this,
            [this](QMenu *menu, const QPoint &point) {
                if (m_meterIdentityLine.isEmpty() ||
                    RichTextBox3->lineAt(point) != m_meterIdentityLine)
                    return;
                menu->addSeparator();
                menu->addAction(tr("复制到仪表地址"), this, &MainWindow::copyMeterAddress);
            });
}

void MainWindow::buildCj188Page(QWidget *page)
{
    label(page, QStringLiteral("Label1"), tr("仪表地址"));
    label(page, QStringLiteral("Label2"), tr("厂商代码"));
    label(page, QStringLiteral("Label3"), tr("仪表类型"));
    Text1 = textBox(page, QStringLiteral("Text1"), QString(), &KeepDigits, 10);
    Text3 = textBox(page, QStringLiteral("Text3"), QStringLiteral("33"), &KeepDigits, 2);
    Text2 = textBox(page, QStringLiteral("Text2"), QStringLiteral("78"), &KeepDigits, 2);

    Combo7 = meterTypeList(page, QStringLiteral("Combo7"));

    clickRuns(button(page, QStringLiteral("GlowButton1")), &MainWindow::Cj188ReadData);
    clickRuns(button(page, QStringLiteral("GlowButton3")), &MainWindow::Cj188ReadAddress);

    auto *sendFrame = frame(page, QStringLiteral("Frame1"), tr("发送区"));
    RichTextBox1 = trafficArea(sendFrame, QStringLiteral("RichTextBox1"), false);

    m_cj188Polling =
        buildPoller(page, {"Frame6", "GlowButton11", "GlowButton12", "Text4", "Label5", "Timer1"});
    connect(m_cj188Polling->timer(), &PollTimer::Timer, this, &MainWindow::Cj188ReadData);
}

void MainWindow::buildMbusPage(QWidget *page)
{
    label(page, QStringLiteral("Label8"), tr("仪表地址"));
    label(page, QStringLiteral("Label6"), tr("新表地址"));
    Text6 = textBox(page, QStringLiteral("Text6"), QString(), &KeepHexDigits, 2);
    Text7 = textBox(page, QStringLiteral("Text7"), QString(), &KeepHexDigits, 2);

    clickRuns(button(page, QStringLiteral("GlowButton17")), &MainWindow::MbusReadData);
    clickRuns(button(page, QStringLiteral("GlowButton15")), &MainWindow::MbusChangeAddress);

    auto *sendFrame = frame(page, QStringLiteral("Frame8"), tr("发送区"));
    RichTextBox4 = trafficArea(sendFrame, QStringLiteral("RichTextBox4"), false);

    m_mbusPolling =
        buildPoller(page, {"Frame7", "GlowButton13", "GlowButton14", "Text5", "Label4", "Timer2"});
    connect(m_mbusPolling->timer(), &PollTimer::Timer, this, &MainWindow::MbusReadData);

    // The bus window: from the page's context menu, and with Ctrl+B anywhere in the window.
    auto *busAction = named(new QAction(tr("M-Bus 总线…"), this), QStringLiteral("busAction"));
    busAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(busAction, &QAction::triggered, this, &MainWindow::showBusWindow);
    page->setContextMenuPolicy(Qt::ActionsContextMenu);
    page->addAction(busAction);
    addAction(busAction);
}

void MainWindow::showBusWindow()
{
    if (!m_busWindow) {
        m_busWindow = new BusWindow(
            m_session, [this] { warnClosed(); }, this);
        connect(m_busWindow, &BusWindow::operationStarting, this, [this] {
            Cj188StopPolling();
            MbusStopPolling();
        });
    }
    // The bus traffic shows in the M-Bus page's send area.
    showMbusPage();
    m_busWindow->show();
    m_busWindow->raise();
    m_busWindow->activateWindow();
}

bool MainWindow::busOperationRuns()
{
    if (!m_busWindow || !m_busWindow->busy())
        return false;
    Cj188StopPolling();
    MbusStopPolling();
    m_messages.show(tr("M-Bus 总线窗口正在使用通信端口，请等它完成或取消后再发送。"),
                    SystemPromptTitle(), MessageBoxes::Icon::None, QMessageBox::Ok);
    return true;
}

Poller *MainWindow::buildPoller(QWidget *page, const Poller::Names &names)
{
    auto *poller = new Poller(
        page, names, [this] { return m_session.lineOpen(); }, [this] { warnClosed(); }, this);
    // The statistics are those of the run that starts.
    connect(poller, &Poller::started, &m_session, &MeterSession::resetStatistics);
    return poller;
}

void MainWindow::formLoad()
{
    refillPortList();

    for (const char *parity : kParities)
        Combo3->addItem(ParityEntryShown(parity));
    showItem(Combo3, ParityEntryShown(kEvenParity));

    showCj188Page();
}

void MainWindow::refillPortList()
{
    Combo1->fill(m_session.probe());
}

void MainWindow::refreshPortList()
{
    // The port list can only drop down while the port is closed, so probing is safe.
    const QString shown = Combo1->currentText();
    refillPortList();
    showItem(Combo1, shown);
}

void MainWindow::setSettingsListsEnabled(bool enabled)
{
    for (QComboBox *list : {static_cast<QComboBox *>(Combo1), Combo2, Combo3, Combo4, Combo5}) {
        list->setEnabled(enabled);
        setBackground(list, bgr(kFormBack));
    }
}

void MainWindow::onOpenClosePort()
{
    // A loss on its way is what this click meets: report it, and the port is closed.
    if (m_session.deliverPendingLoss())
        return;
    if (m_session.isOpen())
        closePort();
    else
        openPort();
}

void MainWindow::openPort()
{
    const QString settings =
        SettingsText({Combo2->currentText(), ParityEntry(Combo3->currentText()),
                      Combo4->currentText(), Combo5->currentText()});
    const int port = PortNumberOfEntry(Combo1->currentText());
    if (const int error = m_session.open(port, settings); error != SerialComm::kNoError) {
        openFailed(OpenFailureText(DiagnoseOpenFailure(m_session.devicePath(port), error)));
        // Nothing was listed (nothing plugged in at start): look again, so that an adapter
        // plugged in since is listed and chosen for the next click.
        if (Combo1->count() == 0)
            refillPortList();
        return;
    }
    OpenCOomPort->SetCaption(CloseCaption());
    Shape1->setColor(bgr(kLampOpen));
    setSettingsListsEnabled(false);
    Cj188StopPolling();
    MbusStopPolling();
}

void MainWindow::openFailed(const QString &reason)
{
    OpenCOomPort->SetCaption(OpenCaption());
    Shape1->setColor(bgr(kLampClosed));
    setSettingsListsEnabled(true);
    // The reason, where known, on a second line.
    m_messages.show(tr("通信端口%1无法打开！").arg(Combo1->currentText()) +
                        (reason.isEmpty() ? QString() : QLatin1Char('\n') + reason),
                    OpenFailedTitle(), MessageBoxes::Icon::Error, QMessageBox::Ok);
}

void MainWindow::closePort()
{
    m_session.close();
    refillPortList();
    OpenCOomPort->SetCaption(OpenCaption());
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
    m_messages.show(tr("通信端口%1已断开！").arg(lostPort), ErrorTitle(), MessageBoxes::Icon::Error,
                    QMessageBox::Ok);
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

Cj188Meter MainWindow::cj188Meter() const
{
    return Cj188MeterOfFields(
        {MeterTypeEntry(Combo7->currentText()), Text1->text(), Text3->text(), Text2->text()});
}

void MainWindow::Cj188ReadData()
{
    if (busOperationRuns())
        return;
    ::Cj188ReadData(traffic(), cj188Meter());
}

void MainWindow::Cj188ReadAddress()
{
    if (busOperationRuns())
        return;
    ::Cj188ReadAddress(traffic(), Cj188TypeOfEntry(MeterTypeEntry(Combo7->currentText())));
}

void MainWindow::MbusReadData()
{
    if (busOperationRuns())
        return;
    ::MbusReadData(traffic(), MbusAddressOfText(Text6->text()));
}

void MainWindow::MbusChangeAddress()
{
    if (busOperationRuns())
        return;
    ::MbusChangeAddress(traffic(), MbusAddressOfText(Text7->text()));
}

void MainWindow::connectSession()
{
    // Each meter page shows its protocol's requests in its one-line send area.
    m_sendAreas = {{kReplyCj188, RichTextBox1}, {kReplyMbus, RichTextBox4}};
    // A frame typed into a send area goes out as that page's request.
    for (auto it = m_sendAreas.cbegin(); it != m_sendAreas.cend(); ++it) {
        const MeterProtocol *protocol = traffic().protocol(it.key());
        auto *entry = new SendAreaEntry(it.value(), protocol->completeFrame);
        connect(entry, &SendAreaEntry::frameEntered, this,
                [this, id = it.key()](const QByteArray &frame) {
                    if (!busOperationRuns())
                        SendTypedFrame(traffic(), id, frame);
                });
    }
    connect(&m_session, &MeterSession::deviceLost, this, &MainWindow::onDeviceLost);
    connect(&m_session, &MeterSession::requestShown, this, &MainWindow::showRequest);
    connect(&m_session, &MeterSession::closedPortUsed, this, &MainWindow::warnClosed);
    connect(&m_session, &MeterSession::replyAreasCleared, this, [this] {
        RichTextBox2->clear();
        RichTextBox3->clear();
    });
    connect(&m_session, &MeterSession::receiveShown, this,
            [this](const QString &text) { m_receiveTools->appendReceived(text); });
    connect(&m_session, &MeterSession::txCountChanged, this,
            [this](qint64 count) { GlowButton5->SetCaption(QString::number(count)); });
    // The received count changes with every read while a meter streams: painted with the bytes
    // of the receive area, once per frame, instead of once per read.
    connect(&m_session, &MeterSession::rxCountChanged, this,
            [this](qint64 count) { m_rxCaption->setCaption(QString::number(count)); });
    connect(
        &m_session, &MeterSession::checkedReply, this,
        [this](quint8, const QByteArray &, const DecodedReply &reply) { showCheckedReply(reply); });
    connect(&m_session, &MeterSession::echoShown, this, [this] { appendAnalysisLine(EchoText()); });
    connect(&m_session, &MeterSession::replyOutcome, this, &MainWindow::showOutcome);
    connect(&m_session, &MeterSession::meterAddress, this,
            [this](quint8, const MeterIdentity &identity) { showMeterAddress(identity); });
    connect(&m_session, &MeterSession::addressOutcome, this,
            [this](const ReplyOutcome &outcome) { appendAnalysisLine(ReplyOutcomeText(outcome)); });
}

void MainWindow::showMeterAddress(const MeterIdentity &identity)
{
    m_meterIdentity = identity;
    m_meterIdentityLine = tr("仪表地址：%1　仪表类型：%2H　厂商代码：%3（双击填入）")
                              .arg(identity.address, identity.type, identity.maker);
    appendAnalysisLine(m_meterIdentityLine);
}

void MainWindow::copyMeterAddress()
{
    // The address and, as A5 and A6 of the same address field, the manufacturer code.
    Text1->setText(m_meterIdentity.address);
    Text3->setText(m_meterIdentity.maker.left(2));
    Text2->setText(m_meterIdentity.maker.mid(2));
}

QString MainWindow::chooseSavePath()
{
    // A file dialog keeps its last folder and history in the user's Qt settings when it closes.
    // The window stores nothing between runs, so those settings go to a folder of this run.
    if (!m_dialogSettings) {
        m_dialogSettings = std::make_unique<QTemporaryDir>();
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, m_dialogSettings->path());
    }
    return QFileDialog::getSaveFileName(this, tr("保存通讯记录"), QString(),
                                        tr("通讯记录 (*.log *.txt)"));
}

void MainWindow::saveTrafficRecord()
{
    const QString path = m_savePath ? m_savePath() : chooseSavePath();
    if (path.isEmpty())
        return;
    QString error;
    if (m_session.saveTrafficRecord(path, &error)) {
        m_messages.show(tr("通讯记录已保存到 %1。").arg(path), SystemPromptTitle(),
                        MessageBoxes::Icon::Information, QMessageBox::Ok);
        return;
    }
    m_messages.show(
        tr("通讯记录无法保存到 %1：%2\n记录仍然保留，请换一个位置再保存。").arg(path, error),
        ErrorTitle(), MessageBoxes::Icon::Error, QMessageBox::Ok);
}

void MainWindow::appendAnalysisLine(const QString &line)
{
    RichTextBox3->appendText(RichTextBox3->isEmpty() ? line : QLatin1Char('\n') + line);
}

void MainWindow::showOutcome(const ReplyOutcome &outcome, const ReplyStatistics &statistics)
{
    appendAnalysisLine(ReplyOutcomeText(outcome));
    if (m_cj188Polling->timer()->Enabled() || m_mbusPolling->timer()->Enabled())
        appendAnalysisLine(statistics.text());
}

void MainWindow::showRequest(quint8 protocol, const QString &text)
{
    if (TrafficTextArea *area = m_sendAreas.value(protocol))
        area->setText(text);
}

void MainWindow::showCheckedReply(const DecodedReply &reply)
{
    // After the request's echo, the reply's lines follow the echo's.
    appendAnalysisLine(
        (QStringList{ChecksumPassedText()} + DecodedReplyLines(reply)).join(QLatin1Char('\n')));
}

void MainWindow::warnClosed()
{
    m_messages.show(PortClosedText(Combo1->currentText()), SystemPromptTitle(),
                    MessageBoxes::Icon::None, QMessageBox::Ok);
}
