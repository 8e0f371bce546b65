#pragma once

#include "Platform/Foundation/Format.h"

#include <functional>
#include <string>
#include <string_view>

// Where the bridge's log lines go: one line per call, to stderr unless a sink is installed.
using WSBLogSink = std::function<void(const std::string& line)>;

// Installs a sink (an empty function restores stderr) and returns the previous one. Tests read the
// exact lines through it; the sink may be called from any thread.
WSBLogSink WSBSetLogSink(WSBLogSink sink);

void WSBLogLine(const std::string& line);

template <class... Args> void WSBLog(std::string_view format, const Args&... args)
{
    WSBLogLine(foundation::format(format, args...));
}
