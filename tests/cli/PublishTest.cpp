// rx47-cli publish against a real mosquitto broker that the test starts on a loopback port: the
// discovery configs, the readings in order, the will after a kill, a broker restarted in the
// middle of a run; and the command lines it refuses.

#include "CliTestSupport.h"
#include "MqttBroker.h"

#include "cli/ExitCodes.h"
#include "support/WaitUntil.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

class PublishTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MosquittoInstalled())
            GTEST_SKIP() << "mosquitto is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(broker.Start());
    }

    // A replay file of `count` readings, 40.0 %RH and 20.0 upwards by a tenth, logger time 00:i.
    QString Replay(int count) {
        const QString path = dir.filePath("frames.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < count; ++i)
            file.write(FrameHex(4, 0, i % 10, 2, i / 10, i % 10, 0, 0, 0, i) + '\n');
        return path;
    }

    QTemporaryDir dir;
    TMqttBroker broker;
};

TEST_F(PublishTest, DiscoveryStatusAndReadingsInOrder) {
    TMqttSubscriber sub(broker, "#");
    ASSERT_TRUE(sub.Ready());
    const TCliRun run = RunCliSimulated(
        {"publish", "--mqtt", broker.Url(), "--name", "fridge", "--simulate=" + Replay(12)});
    ASSERT_EQ(run.exitCode, kExitOk) << run.err.constData();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.constData();

    ASSERT_TRUE(sub.WaitFor("rx47/fridge/state", 12));
    const QList<QByteArray> states = sub.On("rx47/fridge/state");
    ASSERT_EQ(states.size(), 12);
    for (int i = 0; i < 12; ++i) {
        const QByteArray time = QByteArray::number(i).rightJustified(2, '0');
        EXPECT_EQ(states[i],
                  "{\"time\":\"2026-12-10T11:20:05+01:00\",\"logger_time\":\"00:" + time +
                      "\",\"humidity\":40." + QByteArray::number(i % 10) + ",\"temperature_C\":2" +
                      QByteArray::number(i / 10) + '.' + QByteArray::number(i % 10) +
                      ",\"dew_point\":false,\"name\":\"fridge\"}");
    }
    ASSERT_TRUE(sub.WaitFor("rx47/fridge/status", 2));
    EXPECT_EQ(sub.On("rx47/fridge/status"), (QList<QByteArray>{"online", "offline"}));

    struct TSensor {
        const char* what;
        const char* unit;
        const char* key;
    };
    for (const TSensor& sensor :
         {TSensor{"temperature", "°C", "temperature_C"}, TSensor{"humidity", "%", "humidity"}}) {
        const QByteArray topic =
            QByteArray("homeassistant/sensor/rx47_fridge_") + sensor.what + "/config";
        const QList<QByteArray> configs = sub.On(topic);
        ASSERT_EQ(configs.size(), 1) << topic.constData();
        const QJsonObject config = QJsonDocument::fromJson(configs[0]).object();
        EXPECT_EQ(config["device_class"].toString(), sensor.what);
        EXPECT_EQ(config["state_class"].toString(), "measurement");
        EXPECT_EQ(config["unit_of_measurement"].toString(), QString::fromUtf8(sensor.unit));
        EXPECT_EQ(config["unique_id"].toString(), QStringLiteral("rx47_fridge_") + sensor.what);
        EXPECT_EQ(config["state_topic"].toString(), "rx47/fridge/state");
        EXPECT_EQ(config["value_template"].toString(),
                  QStringLiteral("{{ value_json.%1 }}").arg(sensor.key));
        EXPECT_EQ(config["availability"][0]["topic"].toString(), "rx47/fridge/status");
        EXPECT_GT(config["expire_after"].toInt(), 0);
        EXPECT_EQ(config["device"]["identifiers"][0].toString(), "rx47_fridge");
        EXPECT_EQ(config["device"]["model"].toString(), "RX47");
        EXPECT_FALSE(config["device"]["sw_version"].toString().isEmpty());
        EXPECT_FALSE(config["device"]["name"].toString().isEmpty());
    }
}

// A publisher that stays up: the built program on the simulated logger, paced in real time.
QProcess* StartPublisher(QProcess& process, const QStringList& arguments) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(CliProgramPath(), QStringList{"publish"} + arguments);
    return process.waitForStarted(30000) ? &process : nullptr;
}

TEST_F(PublishTest, HomeAssistantRestartGetsTheConfigsAgainAndAKillLeavesTheWill) {
    TMqttSubscriber sub(broker, "#");
    ASSERT_TRUE(sub.Ready());
    QProcess publisher;
    ASSERT_TRUE(StartPublisher(publisher, {"--mqtt", broker.Url(), "--name", "shed", "--prefix",
                                           "home/loggers", "--simulate"}));
    ASSERT_TRUE(sub.WaitFor("home/loggers/shed/state", 1));
    const QByteArray configTopic = "homeassistant/sensor/rx47_shed_humidity/config";
    EXPECT_EQ(sub.On(configTopic).size(), 1);
    QProcess::execute("mosquitto_pub", {"-h", "127.0.0.1", "-p", QString::number(broker.Port()),
                                        "-t", "homeassistant/status", "-m", "online"});
    EXPECT_TRUE(sub.WaitFor(configTopic, 2));

    ::kill(pid_t(publisher.processId()), SIGKILL);
    publisher.waitForFinished(30000);
    ASSERT_TRUE(sub.WaitFor("home/loggers/shed/status", 2));
    EXPECT_EQ(sub.On("home/loggers/shed/status"), (QList<QByteArray>{"online", "offline"}));
}

TEST_F(PublishTest, BrokerRestartedMidRunLosesNoReading) {
    constexpr int kReadings = 24;
    TMqttSubscriber sub(broker, "rx47/cellar/state");
    ASSERT_TRUE(sub.Ready());
    QProcess publisher;
    ASSERT_TRUE(StartPublisher(publisher, {"--mqtt", broker.Url(), "--name", "cellar",
                                           "--simulate=" + Replay(kReadings)}));
    ASSERT_TRUE(sub.WaitFor("rx47/cellar/state", 3));
    broker.Stop();
    // Readings keep coming while the broker is away; the subscriber's session waits in the
    // broker's saved state, the publisher's readings in its queue.
    WaitUntil([] { return false; }, std::chrono::milliseconds(1500));
    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(publisher.waitForFinished(120000));
    EXPECT_EQ(publisher.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(publisher.exitCode(), kExitOk);

    ASSERT_TRUE(sub.WaitFor("rx47/cellar/state", kReadings));
    // QoS 1 may deliver one twice around the break; in first-seen order, every reading once.
    QList<QByteArray> times;
    for (const QByteArray& state : sub.On("rx47/cellar/state")) {
        const QByteArray time = QJsonDocument::fromJson(state)["logger_time"].toString().toLatin1();
        if (!times.contains(time))
            times << time;
    }
    ASSERT_EQ(times.size(), kReadings);
    for (int i = 0; i < kReadings; ++i)
        EXPECT_EQ(times[i], "00:" + QByteArray::number(i).rightJustified(2, '0'));
}

struct TBadCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    const char* message;
};

class PublishRefusesTest : public ::testing::TestWithParam<TBadCase> {};

TEST_P(PublishRefusesTest, WithAClearMessage) {
    QTemporaryDir dir;
    QFile empty(dir.filePath("empty"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QStringList arguments = GetParam().arguments;
    arguments.replaceInStrings("DIR", dir.path());
    const TCliRun run = RunCliSimulated(QStringList{"publish", "--simulate"} + arguments);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.err, QByteArray(GetParam().message).replace("DIR", dir.path().toLocal8Bit()));
    EXPECT_TRUE(run.out.isEmpty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, PublishRefusesTest, ::testing::Values(
    TBadCase{"NoBroker", {}, kExitUsage,
             "rx47-cli: publish: publish needs --mqtt mqtt://HOST[:PORT] (try 'rx47-cli publish --help')\n"},
    TBadCase{"HttpUrl", {"--mqtt", "http://a"}, kExitUsage,
             "rx47-cli: publish: --mqtt: 'http://a' is not a broker address like mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (try 'rx47-cli publish --help')\n"},
    TBadCase{"NoHost", {"--mqtt", "mqtt://"}, kExitUsage,
             "rx47-cli: publish: --mqtt: 'mqtt://' is not a broker address like mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (try 'rx47-cli publish --help')\n"},
    TBadCase{"BadPort", {"--mqtt", "mqtt://a:99999"}, kExitUsage,
             "rx47-cli: publish: --mqtt: 'mqtt://a:99999' is not a broker address like mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (try 'rx47-cli publish --help')\n"},
    TBadCase{"PathInUrl", {"--mqtt", "mqtt://a/b"}, kExitUsage,
             "rx47-cli: publish: --mqtt: 'mqtt://a/b' is not a broker address like mqtt://HOST[:PORT] or mqtts://HOST[:PORT] (try 'rx47-cli publish --help')\n"},
    TBadCase{"WildcardPrefix", {"--mqtt", "mqtt://a", "--prefix", "a/+"}, kExitUsage,
             "rx47-cli: publish: --prefix 'a/+': topic levels without '+', '#', blanks or empty levels (try 'rx47-cli publish --help')\n"},
    TBadCase{"UserAlone", {"--mqtt", "mqtt://a", "--user", "u"}, kExitUsage,
             "rx47-cli: publish: --user and --password-file go together (try 'rx47-cli publish --help')\n"},
    TBadCase{"NoPasswordFile", {"--mqtt", "mqtt://a", "--user", "u", "--password-file", "DIR/none"}, kExitFailed,
             "rx47-cli: --password-file: DIR/none: No such file or directory\n"},
    TBadCase{"EmptyPasswordFile", {"--mqtt", "mqtt://a", "--user", "u", "--password-file", "DIR/empty"}, kExitFailed,
             "rx47-cli: --password-file: DIR/empty: no password on its first line\n"},
    TBadCase{"NoCaFile", {"--mqtt", "mqtt://a", "--tls-ca", "DIR/none.pem"}, kExitFailed,
             "rx47-cli: --tls-ca: DIR/none.pem: cannot be read\n"},
    TBadCase{"BadMetrics", {"--mqtt", "mqtt://a", "--metrics", "localhost:x"}, kExitUsage,
             "rx47-cli: publish: --metrics: 'localhost' is not an IP address (try 'rx47-cli publish --help')\n"}),
    [](const auto& p) { return std::string(p.param.name); });
// clang-format on

} // namespace
