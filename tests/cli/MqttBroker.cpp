#include "MqttBroker.h"

#include "support/WaitUntil.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

bool MosquittoInstalled() {
    return !QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"})
                .isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("mosquitto_sub")).isEmpty();
}

quint16 FreeLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

TMqttBroker::TMqttBroker() : port_(FreeLoopbackPort()) {
    QFile conf(dir_.filePath("mosquitto.conf"));
    if (conf.open(QIODevice::WriteOnly)) {
        conf.write("listener " + QByteArray::number(port_) +
                   " 127.0.0.1\n"
                   "allow_anonymous true\n"
                   "persistence true\n"
                   "persistence_location " +
                   dir_.path().toLocal8Bit() +
                   "/\n"
                   "autosave_interval 1\n"
                   "log_dest file " +
                   dir_.path().toLocal8Bit() + "/broker.log\n");
    }
}

TMqttBroker::~TMqttBroker() {
    process_.kill();
    process_.waitForFinished(10000);
}

QString TMqttBroker::Url() const {
    return QStringLiteral("mqtt://127.0.0.1:%1").arg(port_);
}

bool TMqttBroker::Start() {
    const QString program =
        QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"});
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, {"-c", dir_.filePath("mosquitto.conf")});
    if (!process_.waitForStarted(30000))
        return false;
    return WaitUntil([&] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        return probe.waitForConnected(200);
    });
}

void TMqttBroker::Stop() {
    process_.terminate();
    if (!process_.waitForFinished(30000))
        process_.kill();
    process_.waitForFinished(10000);
}

TMqttSubscriber::TMqttSubscriber(const TMqttBroker& broker, const QString& topic) {
    const QString port = QString::number(broker.Port());
    process_.start(QStringLiteral("mosquitto_sub"),
                   {"-h", "127.0.0.1", "-p", port, "-t", topic, "-t", "rx47-test/ready", "-q", "1",
                    "-c", "-i", "rx47-test-subscriber", "-v"});
    // Subscribed once a probe comes back (sent again until it does).
    ready_ = process_.waitForStarted(30000) && WaitUntil([&] {
                 QProcess::execute(QStringLiteral("mosquitto_pub"),
                                   {"-h", "127.0.0.1", "-p", port, "-t", "rx47-test/ready", "-m",
                                    "1", "-q", "1"});
                 return WaitUntil([&] { return !On("rx47-test/ready").isEmpty(); },
                                  std::chrono::milliseconds(300));
             });
}

TMqttSubscriber::~TMqttSubscriber() {
    process_.kill();
    process_.waitForFinished(10000);
}

const QList<QByteArray>& TMqttSubscriber::Messages() {
    partial_ += process_.readAllStandardOutput();
    for (qsizetype end = partial_.indexOf('\n'); end >= 0; end = partial_.indexOf('\n')) {
        const QByteArray line = partial_.left(end);
        partial_.remove(0, end + 1);
        if (!line.isEmpty())
            messages_ << line;
    }
    return messages_;
}

QList<QByteArray> TMqttSubscriber::On(const QByteArray& topic) {
    QList<QByteArray> payloads;
    for (const QByteArray& line : Messages()) {
        if (line.startsWith(topic + ' '))
            payloads << line.mid(topic.size() + 1);
    }
    return payloads;
}

bool TMqttSubscriber::WaitFor(const QByteArray& topic, qsizetype count) {
    return WaitUntil([&] { return On(topic).size() >= count; }, std::chrono::seconds(60));
}
