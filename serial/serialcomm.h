#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QSerialPort;

// Maps the window's port numbers (COM1 to COM20) to devices. The platform table is the default;
// tests and the demo put their own devices (pseudo-terminals) behind chosen numbers.
class PortMap
{
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 20;

    // Windows: COMn is "COMn". Linux: COM1-4 = /dev/ttyS0-3, COM5-12 = /dev/ttyUSB0-7,
    // COM13-20 = /dev/ttyACM0-7.
    static PortMap platformDefault();
    // A map with no port at all.
    static PortMap empty() { return PortMap(); }

    void set(int port, const QString &device) { m_devices.insert(port, device); }
    void remove(int port) { m_devices.remove(port); }
    // The device behind a port number, or an empty string when there is none.
    QString device(int port) const { return m_devices.value(port); }

private:
    QHash<int, QString> m_devices;
};

// The serial communications object of the window, with the contract of a classic serial control:
// numbered port, settings text, thresholds, byte-array input and output, and one notification
// (OnComm) whose reason is CommEvent. Built on QSerialPort. Operations that can fail return the
// control's error number (0 on success) instead of throwing.
class SerialComm : public QObject
{
    Q_OBJECT
public:
    enum ErrorNumber {
        kNoError = 0,
        kInvalidPortNumber = 8002,
        kPortAlreadyOpen = 8005,
        kHardwareNotAvailable = 8010,
        kSettingsRefused = 8015,
        kPortNotOpen = 8018,
    };
    enum CommEventNumber {
        comEvNone = 0,
        comEvSend = 1,
        comEvReceive = 2,
    };
    enum InputModeNumber {
        comInputModeText = 0,
        comInputModeBinary = 1,
    };
    // Highest number CommPort accepts; whether a number has a device is up to the PortMap.
    static constexpr int kMaxPortNumber = 255;

    explicit SerialComm(const PortMap &map = PortMap::platformDefault(), QObject *parent = nullptr);
    ~SerialComm() override;

    // Replaces the map; takes effect at the next open.
    void setPortMap(const PortMap &map);
    const PortMap &portMap() const { return m_map; }

    int CommPort() const { return m_commPort; }
    // Chooses the port for the next open; 8002 when it is outside 1 to kMaxPortNumber, 8005
    // while open. On failure the previous number stays.
    int setCommPort(int port);

    bool PortOpen() const;
    // Opens or closes the port. Opening: 8002 no device mapped, 8005 in use elsewhere (or this
    // object already open), 8010 device missing or not accessible, 8015 settings refused by the
    // device or the platform (1.5 stop bits outside Windows). A failed open leaves the port
    // closed. Closing a closed port succeeds.
    int setPortOpen(bool open);

    QString Settings() const { return m_settings; }
    // "baud,parity,data,stop": baud a positive integer, parity one of N O E M S (either case),
    // data 5 6 7 8, stop 1 1.5 2. A text that does not parse is refused with 8015 and the
    // previous settings stay. While open, the new settings are applied at once; if the device
    // refuses them, 8015 and the previous settings stay in force.
    int setSettings(const QString &settings);

    int InputMode() const { return m_inputMode; }
    void setInputMode(int mode) { m_inputMode = mode; }
    int RThreshold() const { return m_rThreshold; }
    // 0: no receive notification; n > 0: OnComm (CommEvent 2) when at least n bytes wait.
    void setRThreshold(int threshold) { m_rThreshold = threshold; }
    int SThreshold() const { return m_sThreshold; }
    // 0: no send notification; n > 0: OnComm (CommEvent 1) when the output buffer has drained.
    void setSThreshold(int threshold) { m_sThreshold = threshold; }
    int InputLen() const { return m_inputLen; }
    void setInputLen(int length) { m_inputLen = length; }

    // Bytes waiting to be read (0 while closed).
    int InBufferCount() const;
    // Reads the waiting bytes: all of them when InputLen is 0, else at most InputLen. Empty while
    // closed.
    QByteArray Input();
    // Writes bytes in one write and pushes them to the device without waiting for the event
    // loop; 8018 when the port is closed or the device is gone.
    int Output(const QByteArray &bytes);
    // Why the last OnComm was raised.
    int CommEvent() const { return m_commEvent; }
    // Reports a device loss noticed but not yet reported (DeviceLost, with the port closed) now
    // rather than from the event loop; true when there was one.
    bool DeliverPendingLoss();

    // The device path behind a port number (empty when unmapped), for tooltips.
    QString devicePath(int port) const { return m_map.device(port); }

signals:
    // Raised with CommEvent 2 when bytes wait (RThreshold > 0), with 1 when output drained
    // (SThreshold > 0).
    void OnComm();
    // The device disappeared while open (adapter pulled out). Raised once, when the port is
    // already closed: from the event loop, or from DeliverPendingLoss or an open if sooner.
    void DeviceLost();

private:
    void onReadyRead();
    void onBytesWritten();
    void onErrorOccurred(int error);
    void finishDeviceLoss();
    int openPort();
    void closePort();

    PortMap m_map;
    QSerialPort *m_port = nullptr;
    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_inputMode = comInputModeText;
    int m_rThreshold = 0;
    int m_sThreshold = 0;
    int m_inputLen = 0;
    int m_commEvent = comEvNone;
    // Set while this object opens or closes the port, whose error signals are then expected.
    bool m_switching = false;
    // Set from the moment a read or write error shows the device gone until the port is closed.
    bool m_lossPending = false;
};

// A port that the probe found: its number (COM1 to COM20) and whether another program holds it.
struct ProbedPort
{
    int number = 0;
    bool busy = false;
    friend bool operator==(const ProbedPort &, const ProbedPort &) = default;
};

// The ports of COM1 to COM20 that exist, in ascending order: free ones (a trial open succeeds) and
// busy ones (held by another program); missing ones are left out. Trial opens use plain line
// settings so that settings the platform refuses do not hide ports. Leaves `comm` closed, with
// its CommPort and Settings as they were.
QList<ProbedPort> ProbePorts(SerialComm &comm);

// The port number a port-list text stands for: the number in its characters 4 and 5, so "COM12"
// and "COM3 占用" alike; 0 when there is none there (such as in "hello").
int PortNumberOfEntry(const QString &text);

// The settings lists' texts: baud rate, parity ("偶EVEN"), data bits and stop bits.
struct SettingsChoice
{
    QString baud, parity, dataBits, stopBits;
};

// The settings text SerialComm takes, such as "2400,E,8,1". The parity list's texts carry the
// letter second ("偶EVEN" gives E); the other texts go in as they stand, for the port to refuse.
QString SettingsText(const SettingsChoice &choice);
