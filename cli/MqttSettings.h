#pragma once
// Where and as whom `rx47-cli publish` publishes: the broker URL, the topic prefix and the
// logger's name, the credentials and the TLS authority, checked before anything connects.

#include <QByteArray>
#include <QString>

struct TMqttSettings {
    QString host;
    int port = 1883;
    bool tls = false; // mqtts://, or a CA file given
    QString caFile;   // empty: the system's authorities (with tls)
    QByteArray prefix = "rx47";
    QByteArray name = "rx47";
    QByteArray user; // empty: no credentials
    QByteArray password;
    QByteArray version; // the program's, in the discovery's device block

    QByteArray StateTopic() const { return prefix + '/' + name + "/state"; }
    QByteArray StatusTopic() const { return prefix + '/' + name + "/status"; }
};

// "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]" (IPv6 as "[::1]"); false with `error` set.
bool ParseBrokerUrl(const QString& url, TMqttSettings& settings, QString& error);
// A topic prefix: one or more levels of printable characters without '+', '#' or a blank level.
bool ValidTopicPrefix(const QString& prefix);
// The first line of a password file (a trailing newline is not part of it); false with `error`
// set when the file cannot be read or is empty.
bool ReadPasswordFile(const QString& path, QByteArray& password, QString& error);
