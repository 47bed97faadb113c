#pragma once
// TCommPortDriver: owns one serial port, configures its line and polls it on a timer of the
// event thread. Each tick makes one non-blocking read of at most ComPortInBufSize bytes and hands
// a non-empty batch to OnReceiveData. No threads, no blocking I/O: everything, the delivery of
// received bytes included, runs on the thread that owns the driver.
//
// Port names: COM1..COM4 open /dev/ttyS0../dev/ttyS3 unless the environment variable RX47_COM1..
// RX47_COM4 holds another device path (a USB-serial adapter, a pseudo-terminal), or a resolver set
// with SetPortPathResolver decides (tests).

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QTimer;
class TCommPortDriver;

enum TComPortNumber : uint8_t { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
enum TComPortBaudRate : uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};
enum TComPortDataBits : uint8_t { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits : uint8_t { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity : uint8_t { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking : uint8_t { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking : uint8_t { shNONE, shXONXOFF };

// The bytes are valid only during the call: the driver reuses its buffer on the next tick.
using TComPortReceiveDataEvent =
    std::function<void(TCommPortDriver* sender, const uint8_t* dataPtr, int32_t dataSize)>;
// A read that failed (the port went away, an I/O error): the driver has disconnected; the text
// is the system's reason.
using TComPortReadErrorEvent = std::function<void(TCommPortDriver* sender, const QString& reason)>;
// Device path for a port name; an empty path makes Connect fail.
using TComPortPathResolver = std::function<QByteArray(TComPortNumber port)>;

// Bits per second that a speed value sets.
int32_t BaudRateValue(TComPortBaudRate speed);
// "COM1".."COM4".
QByteArray ComPortName(TComPortNumber port);
// $RX47_COMn when set and not empty, otherwise /dev/ttyS(n-1).
QByteArray DefaultComPortPath(TComPortNumber port);

// The modem lines the driver drives by hand. With RTS/CTS handshaking the line discipline drives
// RTS itself, so it is left alone then.
struct TModemLineRequest {
    bool dtr = false;
    bool setRts = false; // whether RTS is driven by hand at all
    bool rts = false;
};
TModemLineRequest ModemLinesFor(bool enableDtrOnOpen, TComPortHwHandshaking handshaking);

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    explicit TCommPortDriver(QObject* owner = nullptr);
    ~TCommPortDriver() override; // disconnects

    // Opens and configures the port and starts polling; true when connected afterwards. Already
    // connected: true at once, nothing reopened, reconfigured or purged. A port that is missing,
    // busy or not a terminal fails silently.
    bool Connect();
    // Why the last Connect failed, for the user ("No such file or directory (/dev/ttyS1)");
    // empty after a Connect that succeeded.
    const QString& ConnectError() const { return connectError_; }
    void Disconnect();
    bool Connected() const { return fd_ >= 0; }
    // Discards what waits in the receive and/or transmit queue. Nothing when not connected.
    void PurgeBuffers(bool input, bool output);

    TComPortNumber ComPort() const { return comPort_; }
    TComPortBaudRate ComPortSpeed() const { return speed_; }
    TComPortDataBits ComPortDataBits() const { return dataBits_; }
    TComPortStopBits ComPortStopBits() const { return stopBits_; }
    TComPortParity ComPortParity() const { return parity_; }
    TComPortHwHandshaking ComPortHwHandshaking() const { return hwHandshaking_; }
    TComPortSwHandshaking ComPortSwHandshaking() const { return swHandshaking_; }
    uint16_t ComPortInBufSize() const { return inBufSize_; }
    uint16_t ComPortOutBufSize() const { return outBufSize_; }
    uint16_t ComPortPollingDelay() const { return pollingDelay_; }
    bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
    uint16_t OutputTimeout() const { return outputTimeout_; }
    const TComPortReceiveDataEvent& OnReceiveData() const { return onReceiveData_; }

    // Ignored while connected: change the port while disconnected.
    void SetComPort(TComPortNumber value);
    // Line settings: stored; while connected also applied at once, which purges both queues.
    void SetComPortSpeed(TComPortBaudRate value);
    void SetComPortDataBits(TComPortDataBits value);
    void SetComPortStopBits(TComPortStopBits value);
    void SetComPortParity(TComPortParity value);
    void SetComPortHwHandshaking(TComPortHwHandshaking value);
    void SetComPortSwHandshaking(TComPortSwHandshaking value);
    // Ignored while connected (the receive buffer is in use); otherwise the buffer is reallocated.
    void SetComPortInBufSize(uint16_t value);
    // Stored in either state. The terminal driver sizes its own queues, so it has no effect here.
    void SetComPortOutBufSize(uint16_t value);
    // An equal value changes nothing; otherwise a running polling timer restarts with it.
    void SetComPortPollingDelay(uint16_t value);
    void SetEnableDTROnOpen(bool value) { enableDtrOnOpen_ = value; }
    void SetOutputTimeout(uint16_t value) { outputTimeout_ = value; } // stored only
    void SetOnReceiveData(TComPortReceiveDataEvent handler) { onReceiveData_ = std::move(handler); }
    void SetOnReadError(TComPortReadErrorEvent handler) { onReadError_ = std::move(handler); }

    // Null: DefaultComPortPath.
    void SetPortPathResolver(TComPortPathResolver resolver) { resolver_ = std::move(resolver); }

private:
    void ApplySettings();
    void PollReceive();

    int fd_ = -1;
    TComPortNumber comPort_ = pnCOM2;
    TComPortBaudRate speed_ = br9600;
    TComPortDataBits dataBits_ = db8BITS;
    TComPortStopBits stopBits_ = sb1BITS;
    TComPortParity parity_ = ptNONE;
    TComPortHwHandshaking hwHandshaking_ = hhNONE;
    TComPortSwHandshaking swHandshaking_ = shNONE;
    uint16_t inBufSize_ = 2048;
    uint16_t outBufSize_ = 2048;
    TComPortReceiveDataEvent onReceiveData_;
    TComPortReadErrorEvent onReadError_;
    uint16_t pollingDelay_ = 50;
    bool enableDtrOnOpen_ = true;
    uint16_t outputTimeout_ = 4000;
    QTimer* pollTimer_ = nullptr; // child of the driver
    std::vector<uint8_t> buffer_; // ComPortInBufSize bytes, reused on every tick
    bool delivering_ = false;     // OnReceiveData is running (it may run an event loop)
    TComPortPathResolver resolver_;
    QString connectError_;
};
