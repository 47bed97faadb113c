#include "cli/MqttSettings.h"

#include <QFile>
#include <QUrl>

bool ParseBrokerUrl(const QString& url, TMqttSettings& settings, QString& error) {
    const QUrl parsed(url, QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    const bool known = scheme == QLatin1String("mqtt") || scheme == QLatin1String("mqtts");
    const bool bare = parsed.path().isEmpty() || parsed.path() == QLatin1String("/");
    if (!parsed.isValid() || !known || parsed.host().isEmpty() || !bare ||
        !parsed.userInfo().isEmpty() || parsed.hasQuery() || parsed.hasFragment()) {
        error = QStringLiteral("--mqtt: '%1' is not a broker address like mqtt://HOST[:PORT] or "
                               "mqtts://HOST[:PORT]")
                    .arg(url);
        return false;
    }
    settings.tls = settings.tls || scheme == QLatin1String("mqtts");
    settings.host = parsed.host();
    settings.port = parsed.port(settings.tls ? 8883 : 1883);
    if (settings.port <= 0) {
        error = QStringLiteral("--mqtt: '%1' has no valid port").arg(url);
        return false;
    }
    return true;
}

bool ValidTopicPrefix(const QString& prefix) {
    if (prefix.isEmpty() || prefix.size() > 200)
        return false;
    for (const QString& level : prefix.split(QLatin1Char('/'))) {
        if (level.isEmpty())
            return false;
        for (const QChar c : level) {
            if (c == QLatin1Char('+') || c == QLatin1Char('#') || !c.isPrint() || c.isSpace())
                return false;
        }
    }
    return true;
}

bool ReadPasswordFile(const QString& path, QByteArray& password, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("--password-file: %1: %2").arg(path, file.errorString());
        return false;
    }
    // A password is short; a huge file is a mistake, not a password.
    const QByteArray text = file.read(4097);
    if (text.size() > 4096) {
        error = QStringLiteral("--password-file: %1: longer than a password can be").arg(path);
        return false;
    }
    password = text.left(text.indexOf('\n') < 0 ? text.size() : text.indexOf('\n'));
    if (password.endsWith('\r'))
        password.chop(1);
    if (password.isEmpty()) {
        error = QStringLiteral("--password-file: %1: no password on its first line").arg(path);
        return false;
    }
    return true;
}
