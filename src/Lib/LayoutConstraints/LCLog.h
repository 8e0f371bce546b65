#pragma once

#include <functional>
#include <string>

// Where the builder's log lines go: the process log (stderr) unless a handler is set.
void LCLog(const std::string& line);
// Replaces the handler; an empty function restores the default. Returns the previous one.
std::function<void(const std::string&)> LCSetLogHandler(std::function<void(const std::string&)> handler);
