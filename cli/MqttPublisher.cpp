#include "cli/MqttPublisher.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <utility>

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxBackoffSeconds = 60;
// How many queued messages are handed to one client at a time; the rest follow as the broker
// acknowledges them (libmosquitto keeps at most 20 unacknowledged on the wire).
constexpr size_t kHandedAtOnce = 1000;
const char kHomeAssistantStatus[] = "homeassistant/status";

struct TLibrary {
    TLibrary() { mosquitto_lib_init(); }
};

QString MosquittoError(int rc) {
    return rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                : QString::fromUtf8(mosquitto_strerror(rc));
}

} // namespace

TMqttPublisher::TMqttPublisher(TMqttSettings settings, size_t queueLimit)
    : settings_(std::move(settings)), queueLimit_(queueLimit) {
    static TLibrary library;
    miscTimer_.setInterval(1000);
    connect(&miscTimer_, &QTimer::timeout, this, &TMqttPublisher::Misc);
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &TMqttPublisher::Connect);
}

TMqttPublisher::~TMqttPublisher() {
    DropClient();
}

bool TMqttPublisher::MakeClient(QString& error) {
    const QByteArray clientId = "rx47-" + settings_.name;
    client_ = mosquitto_new(clientId.constData(), true, this);
    if (client_ == nullptr) {
        error =
            QStringLiteral("MQTT: cannot make a client: %1").arg(MosquittoError(MOSQ_ERR_ERRNO));
        return false;
    }
    mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1); // a reading is one small packet
    mosquitto_connect_callback_set(client_, OnConnectCallback);
    mosquitto_disconnect_callback_set(client_, OnDisconnectCallback);
    mosquitto_publish_callback_set(client_, OnPublishCallback);
    mosquitto_message_callback_set(client_, OnMessageCallback);
    const QByteArray status = settings_.StatusTopic();
    int rc = mosquitto_will_set(client_, status.constData(), 7, "offline", 1, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings_.user.isEmpty())
        rc = mosquitto_username_pw_set(client_, settings_.user.constData(),
                                       settings_.password.constData());
    if (rc == MOSQ_ERR_SUCCESS && settings_.tls) {
        const QByteArray caFile = settings_.caFile.toLocal8Bit();
        rc = mosquitto_tls_set(client_, caFile.isEmpty() ? nullptr : caFile.constData(),
                               caFile.isEmpty() ? "/etc/ssl/certs" : nullptr, nullptr, nullptr,
                               nullptr);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        error = QStringLiteral("MQTT: %1").arg(MosquittoError(rc));
        if (rc == MOSQ_ERR_INVAL && settings_.tls)
            error = QStringLiteral("MQTT: the TLS authority file '%1' cannot be used")
                        .arg(settings_.caFile);
        mosquitto_destroy(client_);
        client_ = nullptr;
        return false;
    }
    return true;
}

bool TMqttPublisher::Start(QString& error) {
    if (!MakeClient(error))
        return false;
    // The first client only checks the settings; every attempt makes its own.
    mosquitto_destroy(client_);
    client_ = nullptr;
    Connect();
    return true;
}

void TMqttPublisher::Connect() {
    DropClient();
    QString error;
    if (!MakeClient(error)) {
        ConnectionLost(error);
        return;
    }
    const QByteArray host = settings_.host.toUtf8();
    const int rc =
        mosquitto_connect_async(client_, host.constData(), settings_.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        ConnectionLost(MosquittoError(rc));
        DropClient();
        ScheduleReconnect();
        return;
    }
    const int fd = mosquitto_socket(client_);
    readNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this,
            [this] { Step(mosquitto_loop_read, "read"); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this,
            [this] { Step(mosquitto_loop_write, "write"); });
    miscTimer_.start();
    UpdateWriteNotifier();
}

void TMqttPublisher::DropClient() {
    readNotifier_.reset();
    writeNotifier_.reset();
    miscTimer_.stop();
    if (client_ != nullptr)
        mosquitto_destroy(client_);
    client_ = nullptr;
    connected_ = false;
    lost_ = false;
    handed_ = 0;
    for (TMessage& message : queue_)
        message.mid = 0;
}

void TMqttPublisher::ConnectionLost(const QString& reason) {
    if (!reportedDown_ && OnMessage && !closing_)
        OnMessage(QStringLiteral("MQTT broker %1:%2: %3; readings wait and go out once it is back")
                      .arg(settings_.host)
                      .arg(settings_.port)
                      .arg(reason));
    reportedDown_ = true;
}

void TMqttPublisher::ScheduleReconnect() {
    if (closing_ || reconnectTimer_.isActive())
        return;
    reconnectTimer_.start(backoffSeconds_ * 1000);
    backoffSeconds_ = std::min(backoffSeconds_ * 2, kMaxBackoffSeconds);
}

void TMqttPublisher::Step(int (*step)(struct mosquitto*, int), const char* /*what*/) {
    if (client_ == nullptr)
        return;
    const int rc = step(client_, 1);
    if (rc != MOSQ_ERR_SUCCESS && !lost_) {
        lost_ = true;
        ConnectionLost(rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN
                           ? QStringLiteral("connection lost")
                           : MosquittoError(rc));
    }
    if (lost_) {
        DropClient();
        ScheduleReconnect();
        return;
    }
    UpdateWriteNotifier();
}

void TMqttPublisher::Misc() {
    if (client_ == nullptr)
        return;
    const int rc = mosquitto_loop_misc(client_);
    if (rc != MOSQ_ERR_SUCCESS || lost_) {
        ConnectionLost(QStringLiteral("no answer"));
        DropClient();
        ScheduleReconnect();
        return;
    }
    UpdateWriteNotifier();
}

void TMqttPublisher::UpdateWriteNotifier() {
    if (writeNotifier_ && client_ != nullptr)
        writeNotifier_->setEnabled(mosquitto_want_write(client_));
}

void TMqttPublisher::OnConnectCallback(struct mosquitto*, void* self, int rc) {
    auto* publisher = static_cast<TMqttPublisher*>(self);
    if (rc != 0) {
        const QString reason = QString::fromUtf8(mosquitto_connack_string(rc));
        publisher->lost_ = true;
        // 4: bad user name or password, 5: not authorised (MQTT 3.1.1).
        if ((rc == 4 || rc == 5) && publisher->OnRefused) {
            publisher->closing_ = true;
            publisher->OnRefused(QStringLiteral("MQTT broker %1:%2 refused the connection: %3")
                                     .arg(publisher->settings_.host)
                                     .arg(publisher->settings_.port)
                                     .arg(reason));
        } else {
            publisher->ConnectionLost(reason);
        }
        return;
    }
    publisher->connected_ = true;
    publisher->backoffSeconds_ = 1;
    if (publisher->reportedDown_ && publisher->OnMessage)
        publisher->OnMessage(QStringLiteral("MQTT broker %1:%2: connected again")
                                 .arg(publisher->settings_.host)
                                 .arg(publisher->settings_.port));
    publisher->reportedDown_ = false;
    publisher->SendAnnouncements();
    publisher->SendQueued();
}

void TMqttPublisher::OnDisconnectCallback(struct mosquitto*, void* self, int rc) {
    auto* publisher = static_cast<TMqttPublisher*>(self);
    if (rc != 0 && !publisher->lost_) {
        publisher->lost_ = true;
        publisher->ConnectionLost(QStringLiteral("connection lost"));
    }
    publisher->lost_ = true;
}

void TMqttPublisher::OnPublishCallback(struct mosquitto*, void* self, int mid) {
    static_cast<TMqttPublisher*>(self)->Acknowledged(mid);
}

void TMqttPublisher::OnMessageCallback(struct mosquitto*, void* self,
                                       const struct mosquitto_message* message) {
    auto* publisher = static_cast<TMqttPublisher*>(self);
    const QByteArray payload(static_cast<const char*>(message->payload), message->payloadlen);
    if (qstrcmp(message->topic, kHomeAssistantStatus) == 0 && payload == "online")
        publisher->SendDiscovery(); // Home Assistant restarted and forgot its entities
}

void TMqttPublisher::SendAnnouncements() {
    mosquitto_publish(client_, nullptr, settings_.StatusTopic().constData(), 6, "online", 1, true);
    mosquitto_subscribe(client_, nullptr, kHomeAssistantStatus, 1);
    SendDiscovery();
}

void TMqttPublisher::SendDiscovery() {
    if (!connected_)
        return;
    const QByteArray id = "rx47_" + settings_.name;
    const QString unit = fahrenheit_ ? QStringLiteral("°F") : QStringLiteral("°C");
    const QString temperatureKey =
        fahrenheit_ ? QStringLiteral("temperature_F") : QStringLiteral("temperature_C");
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{QString::fromLatin1(id)}},
        {QStringLiteral("name"), QStringLiteral("RX47 ") + QString::fromLatin1(settings_.name)},
        {QStringLiteral("model"), QStringLiteral("RX47")},
        {QStringLiteral("sw_version"), QString::fromLatin1(settings_.version)}};
    const QJsonArray availability{
        QJsonObject{{QStringLiteral("topic"), QString::fromLatin1(settings_.StatusTopic())}}};
    const struct {
        const char* what;
        const char* name;
        QString unit;
        QString key;
    } sensors[] = {{"temperature", "Temperature", unit, temperatureKey},
                   {"humidity", "Humidity", QStringLiteral("%"), QStringLiteral("humidity")}};
    for (const auto& sensor : sensors) {
        const QByteArray uniqueId = id + '_' + sensor.what;
        const QJsonObject config{
            {QStringLiteral("name"), QLatin1String(sensor.name)},
            {QStringLiteral("device_class"), QLatin1String(sensor.what)},
            {QStringLiteral("state_class"), QStringLiteral("measurement")},
            {QStringLiteral("unit_of_measurement"), sensor.unit},
            {QStringLiteral("unique_id"), QString::fromLatin1(uniqueId)},
            {QStringLiteral("state_topic"), QString::fromLatin1(settings_.StateTopic())},
            {QStringLiteral("value_template"),
             QStringLiteral("{{ value_json.%1 }}").arg(sensor.key)},
            {QStringLiteral("availability"), availability},
            {QStringLiteral("expire_after"), 300},
            {QStringLiteral("device"), device}};
        const QByteArray topic = "homeassistant/sensor/" + uniqueId + "/config";
        const QByteArray payload = QJsonDocument(config).toJson(QJsonDocument::Compact);
        mosquitto_publish(client_, nullptr, topic.constData(), int(payload.size()),
                          payload.constData(), 1, true);
    }
}

void TMqttPublisher::Publish(const QByteArray& json, bool fahrenheit) {
    if (fahrenheit != fahrenheit_) {
        fahrenheit_ = fahrenheit;
        SendDiscovery();
    }
    if (queue_.size() >= queueLimit_) {
        if (handed_ > 0)
            --handed_;
        queue_.pop_front();
        if (!reportedFull_ && OnMessage)
            OnMessage(QStringLiteral("MQTT: %1 readings wait for the broker; the oldest are "
                                     "dropped from now on")
                          .arg(queueLimit_));
        reportedFull_ = true;
    }
    queue_.push_back({json});
    SendQueued();
}

void TMqttPublisher::SendQueued() {
    if (!connected_ || client_ == nullptr)
        return;
    const QByteArray topic = settings_.StateTopic();
    while (handed_ < queue_.size() && handed_ < kHandedAtOnce) {
        TMessage& message = queue_[handed_];
        const int rc =
            mosquitto_publish(client_, &message.mid, topic.constData(), int(message.payload.size()),
                              message.payload.constData(), 1, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            message.mid = 0;
            lost_ = true;
            ConnectionLost(MosquittoError(rc));
            QTimer::singleShot(0, this, [this] {
                DropClient();
                ScheduleReconnect();
            });
            return;
        }
        ++handed_;
    }
    UpdateWriteNotifier();
}

void TMqttPublisher::Acknowledged(int mid) {
    if (mid == offlineMid_)
        offlineAcked_ = true;
    for (size_t i = 0; i < handed_; ++i) {
        if (queue_[i].mid == mid) {
            queue_[i].acked = true;
            break;
        }
    }
    bool popped = false;
    while (handed_ > 0 && queue_.front().acked) {
        queue_.pop_front();
        --handed_;
        popped = true;
    }
    if (popped) {
        if (queue_.size() < queueLimit_ / 2)
            reportedFull_ = false;
        SendQueued();
        CheckDrained();
    }
}

void TMqttPublisher::Drain(std::function<void()> done) {
    drained_ = std::move(done);
    CheckDrained();
}

void TMqttPublisher::CheckDrained() {
    if (queue_.empty() && drained_) {
        // Called later so that the caller may end the event loop outside libmosquitto's step.
        QTimer::singleShot(0, this, std::exchange(drained_, nullptr));
    }
}

void TMqttPublisher::Close(int timeoutMs) {
    closing_ = true;
    reconnectTimer_.stop();
    if (connected_ && client_ != nullptr) {
        QEventLoop wait;
        QTimer limit;
        limit.setSingleShot(true);
        connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
        QTimer poll;
        connect(&poll, &QTimer::timeout, &wait, [&] {
            if (offlineAcked_ || client_ == nullptr)
                wait.quit();
        });
        offlineAcked_ = false;
        if (mosquitto_publish(client_, &offlineMid_, settings_.StatusTopic().constData(), 7,
                              "offline", 1, true) == MOSQ_ERR_SUCCESS) {
            UpdateWriteNotifier();
            limit.start(timeoutMs);
            poll.start(10);
            wait.exec();
        }
        if (client_ != nullptr) {
            mosquitto_disconnect(client_);
            mosquitto_loop_write(client_, 1);
        }
    }
    DropClient();
}
