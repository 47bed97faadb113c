#pragma once
// The program keeps its texts as 8-bit strings, byte for byte, so that files written on other
// systems round-trip unchanged. On screen those bytes are shown as Windows-1252.

#include <QByteArray>
#include <QString>

QString AnsiToQString(const QByteArray& bytes);
// Characters outside Windows-1252 become '?'.
QByteArray QStringToAnsi(const QString& text);
