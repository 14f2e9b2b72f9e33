#pragma once

#include "busmaster.h"

#include <QList>
#include <QWidget>
#include <functional>

class GlowButton;
class MeterSession;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QSpinBox;
class QTableWidget;
class SessionBusLine;

// The M-Bus bus window: on the main window's open port, with its settings, it scans the bus (a
// primary scan by SND_NKE or REQ_UD2, or a secondary search by wildcard mask), lists the meters
// found, and reads every telegram of one, sets its primary address or resets it. Its requests go
// through the meter session like the M-Bus page's own, so the main window shows and counts them.
// A bus operation runs in the session's local event loops: both windows stay responsive, and
// Cancel, closing this window or closing the port ends it, keeping what it found so far.
class BusWindow : public QWidget
{
    Q_OBJECT
public:
    // `warnClosed` tells the technician that the port is not open, as the main window does.
    BusWindow(MeterSession &session, std::function<void()> warnClosed, QWidget *parent = nullptr);
    ~BusWindow() override;

    // Whether a bus operation is under way.
    bool busy() const { return m_line != nullptr; }
    // Gives up the operation under way, with `reason` as the status; nothing when idle.
    void cancel(const QString &reason);
    // The meters the last scan found, as listed (changed addresses included).
    const QList<MbusFoundMeter> &meters() const { return m_meters; }

signals:
    // A bus operation is about to use the line: continuous reading must stop.
    void operationStarting();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildScanArea();
    QWidget *buildMeterArea();
    void methodChanged();
    void setBusy(bool busy);
    void setStatus(const QString &text);
    // Runs `work` with a bus master on the session; false when the port is closed or an
    // operation runs already.
    bool run(const std::function<void(MbusBusMaster &)> &work);
    void showProgress(int done, int total, const QString &current);
    void startScan();
    void listMeters(const QList<MbusFoundMeter> &found);
    void showRow(int row);
    // The meter chosen in the table for a per-meter command; nothing (and why, as the status)
    // when there is none or it cannot be addressed alone.
    std::optional<MbusFoundMeter> chosenMeter();
    // Sends the SND_UD `frame` to the chosen meter and reports the answer; `acknowledged` runs
    // when it came.
    void meterCommand(const QString &name, const std::function<QByteArray(std::uint8_t)> &frame,
                      const std::function<void(int row)> &acknowledged);
    void readTelegrams();
    void setPrimaryAddress();
    void resetApplication();

    MeterSession &m_session;
    std::function<void()> m_warnClosed;
    SessionBusLine *m_line = nullptr;
    MbusBusMaster *m_master = nullptr;
    QString m_cancelReason;
    QList<MbusFoundMeter> m_meters;

    QComboBox *m_method = nullptr;
    QSpinBox *m_from = nullptr;
    QSpinBox *m_to = nullptr;
    QLineEdit *m_mask = nullptr;
    QSpinBox *m_timeout = nullptr;
    GlowButton *m_start = nullptr;
    GlowButton *m_cancel = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_progressText = nullptr;
    QTableWidget *m_table = nullptr;
    QSpinBox *m_newAddress = nullptr;
    QList<GlowButton *> m_meterButtons;
    QLabel *m_status = nullptr;
};
