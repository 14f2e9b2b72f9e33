#include "buswindow.h"

#include "bustexts.h"
#include "conversions.h"
#include "framebox.h"
#include "glowbutton.h"
#include "mbus.h"
#include "metersession.h"
#include "sessionbusline.h"
#include "windowdefinition.h"
#include "windowwidgets.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>

using namespace WindowWidgets;

namespace {

enum Method { kNkeScan, kUd2Scan, kSecondarySearch };

const QString kAllMeters = QStringLiteral("FFFFFFFFFFFFFFFF");

// A button in the look of the main window's button `lookOf`, with its own caption.
GlowButton *BusButton(QWidget *parent, const QString &name, const char *lookOf,
                      const QString &caption)
{
    auto *button = named(new GlowButton(parent), name);
    LoadStoredSettingsOf(*button, QString::fromLatin1(lookOf));
    button->SetCaption(caption);
    button->setMinimumSize(96, 27);
    return button;
}

QLabel *FieldLabel(QWidget *parent, const QString &name, const QString &caption)
{
    QLabel *l = label(parent, name, caption);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QSpinBox *AddressBox(QWidget *parent, const QString &name, int value)
{
    auto *box = named(new QSpinBox(parent), name);
    box->setRange(0, kMbusLastPrimary);
    box->setValue(value);
    return box;
}

} // namespace

BusWindow::BusWindow(MeterSession &session, std::function<void()> warnClosed, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_warnClosed(std::move(warnClosed))
{
    setObjectName(QStringLiteral("BusWindow"));
    setWindowTitle(tr("M-Bus 总线"));
    setFont(songTi(10.5));
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, bgr(kFormBack));
    setPalette(windowPalette);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildScanArea());
    m_table = named(new QTableWidget(0, 6, this), QStringLiteral("busTable"));
    m_table->setHorizontalHeaderLabels(
        {tr("主地址"), tr("二次地址"), tr("厂商"), tr("版本"), tr("介质"), tr("查找方式")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);
    layout->addWidget(buildMeterArea());
    m_status = named(new QLabel(this), QStringLiteral("busStatus"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    resize(900, 640);
    methodChanged();
    setBusy(false);
    // Closing the port (or losing it) ends the operation on it before a request finds it closed.
    connect(&m_session, &MeterSession::lineClosed, this,
            [this] { cancel(tr("通信端口已关闭，操作中止")); });
}

BusWindow::~BusWindow() = default;

QWidget *BusWindow::buildScanArea()
{
    auto *area = frame(this, QStringLiteral("busScan"), tr("扫描"), true);
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(9, 20, 9, 9);
    m_method = named(new QComboBox(area), QStringLiteral("busMethod"));
    m_method->addItems({tr("SND_NKE 主地址扫描"), tr("REQ_UD2 主地址扫描"), tr("二次地址搜索")});
    m_from = AddressBox(area, QStringLiteral("busFrom"), 0);
    m_to = AddressBox(area, QStringLiteral("busTo"), kMbusLastPrimary);
    m_mask = textBox(area, QStringLiteral("busMask"), kAllMeters, &KeepHexDigits, 16);
    m_mask->setToolTip(tr("16 位十六进制：识别号 8 位（F 为通配）、厂商 4 位、版本 2 位、介质 2 "
                          "位（FF 为通配）"));
    // 0: EN 13757-2's time-out at the port's baud rate.
    m_timeout = named(new QSpinBox(area), QStringLiteral("busTimeout"));
    m_timeout->setRange(0, 10000);
    m_timeout->setSuffix(tr(" ms"));
    m_timeout->setSpecialValueText(tr("按波特率（EN 13757-2）"));
    m_start = BusButton(area, QStringLiteral("busStart"), "GlowButton13", tr("开始扫描"));
    m_cancel = BusButton(area, QStringLiteral("busCancel"), "GlowButton14", tr("取消"));
    m_progress = named(new QProgressBar(area), QStringLiteral("busProgress"));
    m_progressText = named(new QLabel(area), QStringLiteral("busProgressText"));

    grid->addWidget(FieldLabel(area, QStringLiteral("busMethodLabel"), tr("方式")), 0, 0);
    grid->addWidget(m_method, 0, 1, 1, 3);
    grid->addWidget(FieldLabel(area, QStringLiteral("busFromLabel"), tr("起始地址")), 1, 0);
    grid->addWidget(m_from, 1, 1);
    grid->addWidget(FieldLabel(area, QStringLiteral("busToLabel"), tr("结束地址")), 1, 2);
    grid->addWidget(m_to, 1, 3);
    grid->addWidget(FieldLabel(area, QStringLiteral("busMaskLabel"), tr("二次地址掩码")), 2, 0);
    grid->addWidget(m_mask, 2, 1, 1, 3);
    grid->addWidget(m_start, 0, 4);
    grid->addWidget(m_cancel, 1, 4);
    grid->addWidget(FieldLabel(area, QStringLiteral("busTimeoutLabel"), tr("应答超时")), 3, 0);
    grid->addWidget(m_timeout, 3, 1);
    grid->addWidget(m_progress, 4, 0, 1, 5);
    grid->addWidget(m_progressText, 5, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    connect(m_method, &QComboBox::currentIndexChanged, this, &BusWindow::methodChanged);
    connect(m_start, &GlowButton::Click, this, &BusWindow::startScan);
    connect(m_cancel, &GlowButton::Click, this, [this] { cancel(tr("已取消")); });
    return area;
}

QWidget *BusWindow::buildMeterArea()
{
    auto *area = frame(this, QStringLiteral("busMeter"), tr("所选仪表"), true);
    auto *row = new QHBoxLayout(area);
    row->setContentsMargins(9, 20, 9, 9);
    auto *read = BusButton(area, QStringLiteral("busRead"), "GlowButton17", tr("读全部电文"));
    m_newAddress = AddressBox(area, QStringLiteral("busNewAddress"), 1);
    auto *setAddress =
        BusButton(area, QStringLiteral("busSetAddress"), "GlowButton15", tr("修改主地址"));
    auto *reset = BusButton(area, QStringLiteral("busReset"), "GlowButton17", tr("应用复位"));
    row->addWidget(read);
    row->addSpacing(12);
    row->addWidget(FieldLabel(area, QStringLiteral("busNewAddressLabel"), tr("新主地址")));
    row->addWidget(m_newAddress);
    row->addWidget(setAddress);
    row->addSpacing(12);
    row->addWidget(reset);
    row->addStretch(1);
    m_meterButtons = {read, setAddress, reset};
    connect(read, &GlowButton::Click, this, &BusWindow::readTelegrams);
    connect(setAddress, &GlowButton::Click, this, &BusWindow::setPrimaryAddress);
    connect(reset, &GlowButton::Click, this, &BusWindow::resetApplication);
    return area;
}

void BusWindow::methodChanged()
{
    const bool secondary = m_method->currentIndex() == kSecondarySearch;
    m_from->setEnabled(!busy() && !secondary);
    m_to->setEnabled(!busy() && !secondary);
    m_mask->setEnabled(!busy() && secondary);
}

void BusWindow::setBusy(bool busy)
{
    m_start->SetEnabled(!busy);
    m_cancel->SetEnabled(busy);
    for (GlowButton *button : std::as_const(m_meterButtons))
        button->SetEnabled(!busy);
    m_method->setEnabled(!busy);
    m_newAddress->setEnabled(!busy);
    m_timeout->setEnabled(!busy);
    methodChanged();
}

void BusWindow::setStatus(const QString &text)
{
    m_status->setText(text);
}

void BusWindow::cancel(const QString &reason)
{
    if (!busy())
        return;
    m_cancelReason = reason;
    m_master->cancel();
    m_line->abort();
}

void BusWindow::closeEvent(QCloseEvent *event)
{
    cancel(tr("窗口已关闭，操作中止"));
    event->accept();
}

bool BusWindow::run(const std::function<void(MbusBusMaster &)> &work)
{
    if (busy())
        return false;
    if (!m_session.lineOpen()) {
        m_warnClosed();
        return false;
    }
    emit operationStarting();
    MbusBusOptions options;
    options.timeoutMs =
        m_timeout->value() > 0
            ? m_timeout->value()
            : MbusReplyTimeoutMs(std::max(1, LeadingNumber(m_session.comm().Settings())));
    SessionBusLine line(m_session);
    MbusBusMaster master(line, options);
    m_line = &line;
    m_master = &master;
    m_cancelReason.clear();
    setBusy(true);
    work(master);
    m_line = nullptr;
    m_master = nullptr;
    setBusy(false);
    return true;
}

void BusWindow::showProgress(int done, int total, const QString &current)
{
    // The line gives up when the application quits amid a scan: so does the scan.
    if (m_line->aborted())
        m_master->cancel();
    if (total > 0) {
        m_progress->setRange(0, total);
        m_progress->setValue(done);
        m_progressText->setText(
            tr("已探测 %1/%2 个地址，当前地址 %3").arg(done).arg(total).arg(current));
    } else {
        m_progress->setRange(0, 0);
        m_progressText->setText(tr("已探测 %1 个掩码，当前掩码 %2").arg(done).arg(current));
    }
}

void BusWindow::startScan()
{
    const int method = m_method->currentIndex();
    const std::optional<MbusSecondaryAddress> mask = ParseMbusSecondaryAddress(m_mask->text());
    if (method == kSecondarySearch && !mask)
        return setStatus(tr("二次地址掩码须为 16 位十六进制数，前 8 位为数字 0-9 或通配符 F。"));
    if (method != kSecondarySearch && m_from->value() > m_to->value())
        return setStatus(tr("起始地址不能大于结束地址。"));
    run([&](MbusBusMaster &master) {
        listMeters({});
        setStatus(tr("正在扫描……"));
        master.setProgress([this](int done, int total, const QString &current) {
            showProgress(done, total, current);
        });
        const QList<MbusFoundMeter> found =
            method == kSecondarySearch
                ? master.searchSecondary(*mask)
                : master.scanPrimary(m_from->value(), m_to->value(),
                                     method == kNkeScan ? MbusScanMethod::Nke
                                                        : MbusScanMethod::Ud2);
        listMeters(found);
        if (m_progress->maximum() == 0)
            m_progress->setRange(0, 1);
        if (m_cancelReason.isEmpty())
            m_progress->setValue(m_progress->maximum());
        setStatus(BusScanSummary(found, m_cancelReason));
    });
}

void BusWindow::listMeters(const QList<MbusFoundMeter> &found)
{
    m_meters = found;
    m_table->setRowCount(int(found.size()));
    for (int row = 0; row < found.size(); ++row)
        showRow(row);
    // The last column stretches to the table's edge.
    for (int column = 0; column + 1 < m_table->columnCount(); ++column)
        m_table->resizeColumnToContents(column);
    if (!found.isEmpty())
        m_table->selectRow(0);
}

void BusWindow::showRow(int row)
{
    const QStringList cells = BusMeterCells(m_meters.at(row));
    for (int column = 0; column < cells.size(); ++column)
        m_table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
}

std::optional<MbusFoundMeter> BusWindow::chosenMeter()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_meters.size()) {
        setStatus(tr("请先扫描，并在表中选择一个仪表。"));
        return std::nullopt;
    }
    const MbusFoundMeter &meter = m_meters.at(row);
    if (meter.collision) {
        setStatus(tr("这一行是冲突，不是单个仪表：请用二次地址搜索区分这些仪表后再选择。"));
        return std::nullopt;
    }
    return meter;
}

// A meter found by the secondary search is addressed by its secondary address, since others may
// share its primary address; one found at a primary address answered there alone.
void BusWindow::meterCommand(const QString &name,
                             const std::function<QByteArray(std::uint8_t)> &frame,
                             const std::function<void(int row)> &acknowledged)
{
    const std::optional<MbusFoundMeter> meter = chosenMeter();
    if (!meter)
        return;
    const int row = m_table->currentRow();
    run([&](MbusBusMaster &master) {
        const bool bySecondary = meter->how == QLatin1String("secondary");
        const MbusResult result =
            master.command(bySecondary ? std::optional(meter->address) : std::nullopt, frame,
                           std::uint8_t(std::max(0, meter->primary)));
        if (!m_cancelReason.isEmpty())
            return setStatus(name + tr("：") + m_cancelReason);
        setStatus(name + tr("：") + BusAnswerText(result.answer));
        if (result.answer == MbusAnswer::Ack && acknowledged)
            acknowledged(row);
    });
}

void BusWindow::readTelegrams()
{
    const std::optional<MbusFoundMeter> meter = chosenMeter();
    if (!meter)
        return;
    run([&](MbusBusMaster &master) {
        setStatus(tr("正在读全部电文……"));
        const MbusTelegrams read = meter->how == QLatin1String("secondary")
                                       ? master.readSecondary(meter->address)
                                       : master.readAll(std::uint8_t(meter->primary));
        setStatus(m_cancelReason.isEmpty() ? BusReadSummary(read)
                                           : tr("读全部电文：") + m_cancelReason);
    });
}

void BusWindow::setPrimaryAddress()
{
    const int to = m_newAddress->value();
    meterCommand(
        tr("修改主地址"),
        [to](std::uint8_t address) { return MbusSetPrimaryAddress(address, std::uint8_t(to)); },
        [this, to](int row) {
            m_meters[row].primary = to;
            showRow(row);
            setStatus(m_status->text() + tr("，主地址已改为 %1").arg(to));
        });
}

void BusWindow::resetApplication()
{
    meterCommand(tr("应用复位"),
                 [](std::uint8_t address) { return MbusApplicationReset(address, std::nullopt); },
                 {});
}
