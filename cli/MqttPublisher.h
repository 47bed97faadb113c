#pragma once
// Publishes readings to an MQTT broker with libmosquitto, driven from the Qt event loop: socket
// notifiers call mosquitto_loop_read/write and a timer mosquitto_loop_misc, so no thread is
// added. Each reading is a QoS 1 message on PREFIX/NAME/state. While connected the retained
// status is "online" (the will says "offline" when the link to the broker breaks), and the Home
// Assistant discovery configs are sent on every connect and whenever homeassistant/status says
// "online".
//
// Readings wait in a bounded queue until the broker acknowledges them, so a broker that goes
// away loses nothing: they go out in order once it is back. Each connection attempt uses a fresh
// client, so the queue here is the only copy; a message whose acknowledgement was lost with the
// connection is sent again (QoS 1: at least once). Reconnects back off from 1 s to a minute.

#include "cli/MqttSettings.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

struct mosquitto;

class TMqttPublisher : public QObject {
    Q_OBJECT
public:
    explicit TMqttPublisher(TMqttSettings settings, size_t queueLimit = 100000);
    ~TMqttPublisher() override;
    TMqttPublisher(const TMqttPublisher&) = delete;
    TMqttPublisher& operator=(const TMqttPublisher&) = delete;

    // Messages for the user (connection lost, back again, queue full), each once per event.
    std::function<void(const QString& message)> OnMessage;
    // The broker refused the credentials: retrying will not help.
    std::function<void(const QString& message)> OnRefused;

    // Starts connecting (returns at once). False with `error` set when the client cannot be made
    // (a TLS file that does not load, for example).
    bool Start(QString& error);
    // Queues one state message (the JSON object of the reading); `fahrenheit` picks the unit the
    // discovery config announces.
    void Publish(const QByteArray& json, bool fahrenheit);
    // Calls `done` once every queued message is acknowledged (at once when none waits).
    void Drain(std::function<void()> done);
    // A clean end: "offline" (retained) and a disconnect, waiting at most `timeoutMs`.
    void Close(int timeoutMs);

    bool Connected() const { return connected_; }
    size_t Pending() const { return queue_.size(); }

private:
    struct TMessage {
        QByteArray payload;
        int mid = 0; // libmosquitto's id while handed to the current client, else 0
        bool acked = false;
    };

    bool MakeClient(QString& error);
    void Connect();
    void DropClient();
    void ConnectionLost(const QString& reason);
    void ScheduleReconnect();
    // Runs one libmosquitto step; an error there ends the connection.
    void Step(int (*step)(struct mosquitto*, int), const char* what);
    void Misc();
    void UpdateWriteNotifier();
    void SendAnnouncements();
    void SendDiscovery();
    void SendQueued();
    void Acknowledged(int mid);
    void CheckDrained();

    static void OnConnectCallback(struct mosquitto*, void* self, int rc);
    static void OnDisconnectCallback(struct mosquitto*, void* self, int rc);
    static void OnPublishCallback(struct mosquitto*, void* self, int mid);
    static void OnMessageCallback(struct mosquitto*, void* self, const struct mosquitto_message*);

    TMqttSettings settings_;
    size_t queueLimit_;
    struct mosquitto* client_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_, writeNotifier_;
    QTimer miscTimer_, reconnectTimer_;
    int backoffSeconds_ = 1;
    bool connected_ = false;
    bool lost_ = false; // set inside a callback; the client is dropped after the step
    bool reportedDown_ = false;
    bool reportedFull_ = false;
    bool closing_ = false;
    bool fahrenheit_ = false;
    int offlineMid_ = -1;
    bool offlineAcked_ = false;
    std::deque<TMessage> queue_;
    size_t handed_ = 0; // messages at the queue's front handed to the current client
    std::function<void()> drained_;
};
