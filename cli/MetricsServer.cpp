#include "cli/MetricsServer.h"

#include <QTcpSocket>
#include <QTimer>

std::optional<TMetricsAddress> ParseMetricsAddress(const QString& text, QString& error) {
    TMetricsAddress where;
    QString portText = text;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1String("]:"));
        if (close < 0 || !where.address.setAddress(text.mid(1, close - 1))) {
            error = QStringLiteral("--metrics: '%1' is not [ADDR:]PORT").arg(text);
            return std::nullopt;
        }
        portText = text.mid(close + 2);
    } else if (const qsizetype colon = text.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        if (!where.address.setAddress(text.left(colon))) {
            error = QStringLiteral("--metrics: '%1' is not an IP address").arg(text.left(colon));
            return std::nullopt;
        }
        portText = text.mid(colon + 1);
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        error = QStringLiteral("--metrics: '%1' is not a port (1-65535)").arg(portText);
        return std::nullopt;
    }
    where.port = quint16(port);
    return where;
}

namespace {

void Metric(QByteArray& text, const char* name, const char* type, const char* help,
            const QByteArray& labels, const QByteArray& value) {
    text += QByteArray("# HELP ") + name + ' ' + help + '\n';
    text += QByteArray("# TYPE ") + name + ' ' + type + '\n';
    text += QByteArray(name) + '{' + labels + "} " + value + '\n';
}

// Tenths of a percent as a ratio: 453 -> "0.453".
QByteArray RatioOfTenthsPercent(int tenths) {
    const QByteArray fraction = QByteArray::number(std::abs(tenths) % 1000).rightJustified(3, '0');
    return (tenths < 0 ? "-" : "") + QByteArray::number(std::abs(tenths) / 1000) + '.' + fraction;
}

QByteArray Response(const char* status, const QByteArray& type, const QByteArray& body,
                    bool withBody) {
    return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + (withBody ? body : QByteArray());
}

} // namespace

QByteArray MetricsText(const TMetricsState& state) {
    const QByteArray labels = "name=\"" + state.name + '"';
    QByteArray text;
    if (state.last && state.last->temperatureTenths) {
        const bool f = state.last->fahrenheit;
        Metric(text, f ? "rx47_temperature_fahrenheit" : "rx47_temperature_celsius", "gauge",
               "Temperature of the last reading.", labels,
               TenthsText(*state.last->temperatureTenths));
    }
    if (state.last && state.last->humidityTenths)
        Metric(text, "rx47_relative_humidity_ratio", "gauge",
               "Relative humidity of the last reading, 0 to 1.", labels,
               RatioOfTenthsPercent(*state.last->humidityTenths));
    if (state.last) {
        const qint64 ms = state.last->when.toMSecsSinceEpoch();
        Metric(text, "rx47_last_reading_timestamp_seconds", "gauge",
               "When the last reading arrived, in seconds since the epoch.", labels,
               QByteArray::number(ms / 1000) + '.' +
                   QByteArray::number(ms % 1000).rightJustified(3, '0'));
    }
    Metric(text, "rx47_readings_total", "counter", "Readings decoded since the start.", labels,
           QByteArray::number(state.readings));
    Metric(text, "rx47_link_up", "gauge", "1 while the link to the logger is up.", labels,
           state.linkUp ? "1" : "0");
    Metric(text, "rx47_info", "gauge", "The logger's name and the program's version.",
           labels + ",version=\"" + state.version + '"', "1");
    return text;
}

QByteArray MetricsAnswer(const QByteArray& request, const TMetricsState& state) {
    qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0)
        end = request.indexOf("\n\n");
    if (end < 0)
        return {};
    const QByteArray plain = "text/plain; charset=utf-8";
    const QList<QByteArray> words = request.left(request.indexOf('\n')).trimmed().split(' ');
    if (words.size() != 3 || !words[2].startsWith("HTTP/1."))
        return Response("400 Bad Request", plain, "bad request\n", true);
    const bool head = words[0] == "HEAD";
    if (words[0] != "GET" && !head)
        return Response("405 Method Not Allowed", plain, "only GET\n", true);
    QByteArray path = words[1];
    if (const qsizetype query = path.indexOf('?'); query >= 0)
        path.truncate(query);
    if (path != "/metrics")
        return Response("404 Not Found", plain, "not found: try /metrics\n", !head);
    return Response("200 OK", "text/plain; version=0.0.4; charset=utf-8", MetricsText(state),
                    !head);
}

TMetricsServer::TMetricsServer(QObject* parent) : QObject(parent) {
    connect(&server_, &QTcpServer::pendingConnectionAvailable, this, &TMetricsServer::Accept);
}

bool TMetricsServer::Listen(const TMetricsAddress& where, QString& error) {
    if (!server_.listen(where.address, where.port)) {
        error = QStringLiteral("--metrics: cannot listen on %1 port %2: %3")
                    .arg(where.address.toString())
                    .arg(where.port)
                    .arg(server_.errorString());
        return false;
    }
    return true;
}

void TMetricsServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (clients_ >= kMaxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        Serve(socket);
    }
}

void TMetricsServer::Serve(QTcpSocket* socket) {
    ++clients_;
    socket->setParent(this);
    connect(socket, &QObject::destroyed, this, [this] { --clients_; });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    timeout->start(kClientTimeoutMs);
    // The request so far lives as a property of its socket, and goes with it.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        QByteArray request = socket->property("request").toByteArray();
        request += socket->read(kMaxRequestBytes + 1 - request.size());
        socket->setProperty("request", request);
        QByteArray answer;
        if (request.size() > kMaxRequestBytes)
            answer = "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\n"
                     "Connection: close\r\n\r\n";
        else
            answer = MetricsAnswer(request, state_);
        if (answer.isEmpty())
            return;
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
        socket->write(answer);
        socket->disconnectFromHost(); // once the answer is written
    });
}
