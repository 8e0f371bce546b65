#pragma once

#include <filesystem>
#include <string>

namespace benchsupport {

// Writes a curl config naming `url` `count` times, unless `config` exists already (the URL list
// is the same every round). Returns whether it wrote the file.
bool writeCurlUrlList(const std::filesystem::path& config, const std::string& url, int count);

// A curl command line sending the request ours sends (ours always offers gzip and deflate, and not
// brotli) to every URL in `config`, `parallel` at a time; `options` go before the URL list and
// `redirect` (e.g. "> /dev/null 2>&1") at the end.
std::string curlParallelCommand(int parallel, const std::string& options, const std::filesystem::path& config,
                                const std::string& redirect);

// curl POSTing the form `form` to `url` `count` times, `parallel` at a time, with the URL list in
// `config`; returns the wall time in seconds, or -1 when curl failed.
double curlParallelFormPosts(const std::filesystem::path& config, const std::string& url, int count, int parallel,
                             const std::string& form);

// Runs `command` through the shell and returns its wall time in seconds; `status` receives what
// std::system returned.
double timedShell(const std::string& command, int& status);

} // namespace benchsupport
