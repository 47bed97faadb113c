#pragma once
// Start-up work that the first screen does not need: it runs once the widget has painted for the
// first time, from the event loop right after that paint, so that the window shows sooner. A
// widget that is never shown never runs it. Event thread only.

#include <functional>

class QWidget;

void RunAfterFirstPaint(QWidget& widget, std::function<void()> work);
