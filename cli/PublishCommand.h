#pragma once
// rx47-cli publish: the readings to an MQTT broker, with Home Assistant discovery.

#include <QString>
#include <QStringList>

struct TCliEnvironment;

int RunPublish(const QStringList& arguments, const TCliEnvironment& environment);
QString PublishUsage();
