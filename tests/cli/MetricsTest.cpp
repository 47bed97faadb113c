// --metrics: /metrics fetched with curl from a running rx47-cli and checked line by line, and
// requests a scraper would never send.

#include "CliTestSupport.h"
#include "MqttBroker.h"

#include "cli/MetricsServer.h"
#include "support/WaitUntil.h"

#include <QProcess>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

QByteArray Curl(const QStringList& arguments) {
    QProcess curl;
    curl.start("curl", QStringList{"-s", "-i", "--max-time", "20"} + arguments);
    curl.waitForFinished(30000);
    return curl.readAllStandardOutput();
}

TEST(Metrics, ARunningReaderServesItsLastReading) {
    const quint16 port = FreeLoopbackPort();
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(CliProgramPath(), {"read", "--simulate", "--name", "lab", "--metrics",
                                    QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(reader.waitForStarted(30000));
    const QString url = QStringLiteral("http://127.0.0.1:%1/metrics").arg(port);
    QByteArray answer;
    ASSERT_TRUE(WaitUntil([&] {
        answer = Curl({url});
        return answer.contains("rx47_readings_total{name=\"lab\"} 2");
    }));
    const QList<QByteArray> parts = answer.split('\n');
    EXPECT_EQ(parts.value(0), "HTTP/1.1 200 OK\r");
    EXPECT_TRUE(answer.contains("\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"));
    const QByteArray body = answer.mid(answer.indexOf("\r\n\r\n") + 4);
    const char* const patterns[] = {
        "# HELP rx47_temperature_celsius ",
        "# TYPE rx47_temperature_celsius gauge",
        "rx47_temperature_celsius{name=\"lab\"} ",
        "# HELP rx47_relative_humidity_ratio ",
        "# TYPE rx47_relative_humidity_ratio gauge",
        "rx47_relative_humidity_ratio{name=\"lab\"} 0.",
        "# HELP rx47_last_reading_timestamp_seconds ",
        "# TYPE rx47_last_reading_timestamp_seconds gauge",
        "rx47_last_reading_timestamp_seconds{name=\"lab\"} ",
        "# HELP rx47_readings_total ",
        "# TYPE rx47_readings_total counter",
        "rx47_readings_total{name=\"lab\"} ",
        "# HELP rx47_link_up ",
        "# TYPE rx47_link_up gauge",
        "rx47_link_up{name=\"lab\"} 1",
        "# HELP rx47_info ",
        "# TYPE rx47_info gauge",
        "rx47_info{name=\"lab\",version=\"",
    };
    const QList<QByteArray> lines = body.trimmed().split('\n');
    ASSERT_EQ(lines.size(), qsizetype(std::size(patterns))) << body.constData();
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(patterns[i])) << lines[i].constData();
    // The sample values are numbers.
    for (const QByteArray& line : lines) {
        if (line.startsWith('#'))
            continue;
        bool ok = false;
        line.mid(line.lastIndexOf(' ') + 1).toDouble(&ok);
        EXPECT_TRUE(ok) << line.constData();
    }

    // Anything else: 404, 405, 400; a huge header is cut off; a silent client does not stall.
    EXPECT_TRUE(Curl({QStringLiteral("http://127.0.0.1:%1/").arg(port)})
                    .startsWith("HTTP/1.1 404 Not Found"));
    EXPECT_TRUE(Curl({"-X", "POST", url}).startsWith("HTTP/1.1 405"));
    QTcpSocket silent;
    silent.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(silent.waitForConnected(10000));
    QTcpSocket hostile;
    hostile.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(hostile.waitForConnected(10000));
    hostile.write("GET /metrics HTTP/1.1\r\nX: " + QByteArray(20000, 'a'));
    ASSERT_TRUE(WaitUntil([&] { return hostile.state() != QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(hostile.readAll().startsWith("HTTP/1.1 431"));
    QTcpSocket garbage;
    garbage.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(garbage.waitForConnected(10000));
    garbage.write("\x01\x02\x03 nonsense\r\n\r\n");
    ASSERT_TRUE(WaitUntil([&] { return garbage.state() != QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(garbage.readAll().startsWith("HTTP/1.1 400"));
    // While the silent one still hangs on, the readings go on and scrapes are answered.
    EXPECT_TRUE(Curl({url}).contains("rx47_link_up{name=\"lab\"} 1"));
    // The silent client is dropped in the end.
    EXPECT_TRUE(WaitUntil([&] { return silent.state() != QAbstractSocket::ConnectedState; }));

    reader.terminate();
    EXPECT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0);
}

TEST(Metrics, AddressesAndTheTextWithoutAReading) {
    QString error;
    EXPECT_EQ(ParseMetricsAddress("9101", error)->port, 9101);
    EXPECT_EQ(ParseMetricsAddress("[::1]:80", error)->address, QHostAddress::LocalHostIPv6);
    EXPECT_EQ(ParseMetricsAddress("127.0.0.1:80", error)->address, QHostAddress::LocalHost);
    for (const char* bad : {"0", "65536", "x", "host:80", "[::1]80", ""}) {
        EXPECT_FALSE(ParseMetricsAddress(bad, error)) << bad;
        EXPECT_TRUE(error.startsWith("--metrics: ")) << bad;
    }
    TMetricsState state;
    state.name = "n";
    state.version = "1";
    const QByteArray text = MetricsText(state);
    EXPECT_FALSE(text.contains("temperature"));
    EXPECT_FALSE(text.contains("humidity"));
    EXPECT_TRUE(text.contains("rx47_link_up{name=\"n\"} 0\n"));
    EXPECT_TRUE(MetricsAnswer("GET /metrics HTTP/1.1\r\nHost: x\r\n", state).isEmpty());
    EXPECT_TRUE(MetricsAnswer("HEAD /metrics HTTP/1.0\n\n", state).endsWith("\r\n\r\n"));
}

} // namespace
