#pragma once
// `--metrics [ADDR:]PORT`: the last reading as Prometheus metrics on GET /metrics, in the text
// exposition format. The server is a QTcpServer on the event thread; a client gets a few
// kilobytes for its request and a few seconds for the whole exchange, so a slow or hostile one
// costs a socket, never the reading.

#include "cli/ReadingFormats.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <optional>

class QTcpSocket;

struct TMetricsAddress {
    QHostAddress address = QHostAddress::Any;
    quint16 port = 0;
};

// "9101", "127.0.0.1:9101", "[::1]:9101"; nullopt with `error` set otherwise.
std::optional<TMetricsAddress> ParseMetricsAddress(const QString& text, QString& error);

// What /metrics shows, kept up to date by the run.
struct TMetricsState {
    QByteArray name, version;
    std::optional<TReadingValues> last;
    quint64 readings = 0;
    bool linkUp = false;
};

// The exposition text of the state.
QByteArray MetricsText(const TMetricsState& state);

class TMetricsServer : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxRequestBytes = 8192;
    static constexpr int kClientTimeoutMs = 5000;
    static constexpr int kMaxClients = 16;

    explicit TMetricsServer(QObject* parent = nullptr);

    // False with `error` set when the address cannot be bound.
    bool Listen(const TMetricsAddress& where, QString& error);
    quint16 Port() const { return server_.serverPort(); }

    TMetricsState& State() { return state_; }

private:
    void Accept();
    void Serve(QTcpSocket* socket);

    QTcpServer server_;
    TMetricsState state_;
    int clients_ = 0;
};

// The answer to one request (head and body), from the bytes received so far; empty while the
// request is not complete.
QByteArray MetricsAnswer(const QByteArray& request, const TMetricsState& state);
