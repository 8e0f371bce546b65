#pragma once

#include "Platform/Foundation/Format.h"

#include <functional>
#include <string>
#include <string_view>

// Where the layer's log lines go: one line per call, to stderr unless a sink is installed.
using SQLogSink = std::function<void(const std::string& line)>;

// Installs a sink (an empty function restores stderr) and returns the previous one. Tests use it
// to read the exact lines; the sink may be called from any thread.
SQLogSink SQSetLogSink(SQLogSink sink);

void SQLogLine(const std::string& line);

template <class... Args>
void SQLog(std::string_view format, const Args&... args)
{
    SQLogLine(foundation::format(format, args...));
}
