#pragma once

#include <functional>
#include <string>

// The catalogue's log lines (the manager, the merge and the file moves write them): stderr by
// default, or a sink that tests and tools install. The sink may be called from any thread, also
// from inside a block on a catalogue queue.
namespace kxcatalogue {

using LogSink = std::function<void(const std::string& line)>;

// Installs `sink` (empty: stderr) and answers the one it replaces.
LogSink setLogSink(LogSink sink);
void log(const std::string& line);

} // namespace kxcatalogue
