#pragma once

#include "Platform/Foundation/Dictionary.h"
#include "Platform/Foundation/Error.h"

#include <functional>
#include <string>

// What a failed font download or installation tells the user and the log. Where the system names
// the cause (a folder the client cannot write, a disk without room), the log line names the folder
// and the system's reason and the toast says which it is; a download refused for an address that
// is not secure (KXHTTPREQUEST) says so; any other failure keeps the general toast. The failure
// is read from the error's user info and the errors beneath it (NSUnderlyingError): the first
// file path (NSFilePath) gives the folder, the first error of the POSIX domain the cause.
namespace kxfontfailure {

enum class Step { Download, Install };

using LogSink = std::function<void(const std::string& line)>;
// Installs `sink` (empty: stderr) and answers the one it replaces.
LogSink setLogSink(LogSink sink);

// Logs the failure and answers the toast's text.
std::string report(Step step, const foundation::Ref<foundation::Dictionary>& userInfo);
// The same for the error itself (an error of the POSIX domain counts too).
std::string report(Step step, const foundation::Ref<foundation::Error>& error);

} // namespace kxfontfailure
