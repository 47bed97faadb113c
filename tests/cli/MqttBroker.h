#pragma once
// A real mosquitto broker for a test, on a free loopback port with a generated configuration
// (persistent, so a subscriber's QoS 1 session survives a restart), and a mosquitto_sub
// subscriber that collects "topic payload" lines. Both are killed when the objects go.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class TMqttBroker {
public:
    TMqttBroker();
    ~TMqttBroker();

    // Starts (or starts again, on the same port) and waits until it accepts connections.
    bool Start();
    // Stops it cleanly (SIGTERM), so that sessions are saved.
    void Stop();
    quint16 Port() const { return port_; }
    QString Url() const;
    QString Dir() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    quint16 port_ = 0;
    QProcess process_;
};

class TMqttSubscriber {
public:
    // Subscribes to `topic` (and a probe topic of its own) with QoS 1 and a persistent session;
    // waits until it is subscribed.
    TMqttSubscriber(const TMqttBroker& broker, const QString& topic);
    ~TMqttSubscriber();
    bool Ready() const { return ready_; }

    // The messages so far, "topic payload" each (reads what arrived).
    const QList<QByteArray>& Messages();
    // The payloads on one topic, in order.
    QList<QByteArray> On(const QByteArray& topic);
    // Waits (bounded) until `count` messages have arrived on `topic`.
    bool WaitFor(const QByteArray& topic, qsizetype count);

private:
    QProcess process_;
    QByteArray partial_;
    QList<QByteArray> messages_;
    bool ready_ = false;
};

bool MosquittoInstalled();
// A TCP port on 127.0.0.1 that nothing listens on right now.
quint16 FreeLoopbackPort();
