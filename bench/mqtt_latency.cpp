// Reading-to-broker latency over loopback: from the moment a decoded reading is handed to the
// publisher (right after the frame's closing report) to the moment a subscriber receives it from
// a mosquitto broker that this program starts on a free loopback port. 2,000 readings, one every
// 2 ms; prints p50, p99 and the worst case (goal: p99 under 5 ms).

#include "cli/MqttPublisher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mosquitto.h>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kReadings = 2000;

struct TReceived {
    std::mutex mutex;
    std::vector<Clock::time_point> at;
    std::atomic<bool> subscribed{false};
};

void OnMessage(struct mosquitto*, void* data, const struct mosquitto_message* message) {
    auto* received = static_cast<TReceived*>(data);
    if (qstrcmp(message->topic, "bench/rx47/state") != 0)
        return;
    std::lock_guard lock(received->mutex);
    received->at.push_back(Clock::now());
}

void OnSubscribe(struct mosquitto*, void* data, int, int, const int*) {
    static_cast<TReceived*>(data)->subscribed = true;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString mosquittoPath =
        QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/bin"});
    if (mosquittoPath.isEmpty()) {
        std::printf("mqtt_latency: mosquitto is not installed\n");
        return 1;
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    QTemporaryDir dir;
    QFile conf(dir.filePath("mosquitto.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write("listener " + QByteArray::number(port) + " 127.0.0.1\nallow_anonymous true\n");
    conf.close();
    QProcess broker;
    broker.start(mosquittoPath, {"-c", conf.fileName()});
    broker.waitForStarted(10000);
    for (int i = 0; i < 100; ++i) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(100))
            break;
        QThread::msleep(50);
    }

    TReceived received;
    struct mosquitto* subscriber = mosquitto_new("bench-subscriber", true, &received);
    mosquitto_int_option(subscriber, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(subscriber, OnMessage);
    mosquitto_subscribe_callback_set(subscriber, OnSubscribe);
    mosquitto_connect(subscriber, "127.0.0.1", port, 30);
    mosquitto_subscribe(subscriber, nullptr, "bench/rx47/state", 1);
    mosquitto_loop_start(subscriber); // the subscriber's own thread; the publisher has none

    TMqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = port;
    settings.prefix = "bench";
    settings.version = "bench";
    TMqttPublisher publisher(settings);
    QString error;
    publisher.Start(error);
    QEventLoop loop;
    QTimer waitConnected;
    QObject::connect(&waitConnected, &QTimer::timeout, &loop, [&] {
        if (publisher.Connected() && received.subscribed)
            loop.quit();
    });
    waitConnected.start(10);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    waitConnected.stop();

    std::vector<Clock::time_point> sent;
    sent.reserve(kReadings);
    const QByteArray json = "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"05:59\","
                            "\"humidity\":45.3,\"temperature_C\":23.4,\"dew_point\":false,"
                            "\"name\":\"rx47\"}";
    QTimer pace;
    QObject::connect(&pace, &QTimer::timeout, &loop, [&] {
        if (int(sent.size()) == kReadings) {
            pace.stop();
            publisher.Drain([&] { loop.quit(); });
            return;
        }
        sent.push_back(Clock::now());
        publisher.Publish(json, false);
    });
    pace.start(2);
    loop.exec();
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard lock(received.mutex);
            if (received.at.size() >= sent.size())
                break;
        }
        QThread::msleep(10);
    }
    publisher.Close(2000);
    mosquitto_disconnect(subscriber);
    mosquitto_loop_stop(subscriber, false);
    mosquitto_destroy(subscriber);
    broker.terminate();
    broker.waitForFinished(10000);

    std::vector<double> latencies;
    for (size_t i = 0; i < std::min(sent.size(), received.at.size()); ++i)
        latencies.push_back(
            std::chrono::duration<double, std::micro>(received.at[i] - sent[i]).count());
    if (latencies.size() != size_t(kReadings)) {
        std::printf("mqtt_latency: %zu of %d readings arrived\n", latencies.size(), kReadings);
        return 1;
    }
    std::printf("reading-to-subscriber latency over loopback, %d readings (QoS 1):\n", kReadings);
    std::printf("  p50 %.0f us, p99 %.0f us, worst %.0f us (goal p99 < 5000 us)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
