#pragma once
// The shortest decimal text that reads back as the same single-precision value ("-23.4", "45.3",
// "0"), always with a point, whatever the locale.

#include <QByteArray>

QByteArray ShortestFloatText(float value);
