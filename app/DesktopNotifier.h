#pragma once
// A desktop notification through the session's notification service
// (org.freedesktop.Notifications over D-Bus). Returns false when there is no such service, so
// the caller can say it some other way.

#include <QString>

bool NotifyDesktop(const QString& title, const QString& body);
