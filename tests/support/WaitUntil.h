#pragma once
// Runs the event loop until a condition holds. The timeout is generous because tests share a
// loaded machine; a condition that never holds still ends the wait.

#include <chrono>
#include <functional>

bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));
