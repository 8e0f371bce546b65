#include "Support/CurlCommand.h"

#include "Support/Timing.h"

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace benchsupport {

bool writeCurlUrlList(const std::filesystem::path& config, const std::string& url, int count)
{
    if (std::filesystem::exists(config))
        return false;
    std::ofstream out(config);
    for (int i = 0; i < count; ++i)
        out << "url = \"" << url << "\"\n";
    return true;
}

std::string curlParallelCommand(int parallel, const std::string& options, const std::filesystem::path& config,
                                const std::string& redirect)
{
    return "curl -s --compressed -H 'Accept-Encoding: gzip, deflate' --parallel --parallel-max " + std::to_string(parallel)
        + " " + options + " -K '" + config.string() + "' " + redirect;
}

double curlParallelFormPosts(const std::filesystem::path& config, const std::string& url, int count, int parallel,
                             const std::string& form)
{
    writeCurlUrlList(config, url, count);
    const std::string command = curlParallelCommand(parallel, "-d '" + form + "'", config, "> /dev/null 2>&1");
    int status = 0;
    const double elapsed = timedShell(command, status);
    return status == 0 ? elapsed : -1;
}

double timedShell(const std::string& command, int& status)
{
    const auto start = std::chrono::steady_clock::now();
    status = std::system(command.c_str());
    return secondsSince(start);
}

} // namespace benchsupport
