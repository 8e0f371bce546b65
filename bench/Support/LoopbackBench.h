#pragma once

#include "Support/LoopbackServer.h"

#include <filesystem>
#include <string>

namespace benchsupport {

// What a network benchmark keeps for its whole run: the loopback server both sides talk to and a
// scratch folder for their files. Register handlers on server(), then start() before the
// benchmarks run and finish() after the ratio lines are printed.
class LoopbackBench {
public:
    // `name` names the scratch folder ("<temp>/<name>.<pid>").
    LoopbackBench(int serverThreads, std::string name);

    httplib::Server& server() { return server_.server(); }
    // Starts the server and makes the scratch folder.
    void start();
    // Removes the scratch folder and stops the server.
    void finish();

    // "http://127.0.0.1:<port><path>"
    std::string url(const std::string& path) const { return server_.url(path); }
    const std::filesystem::path& folder() const { return folder_; }

private:
    LoopbackServer server_;
    std::string name_;
    std::filesystem::path folder_;
};

} // namespace benchsupport
