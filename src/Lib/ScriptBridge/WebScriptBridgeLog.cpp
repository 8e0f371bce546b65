#include "Lib/ScriptBridge/WebScriptBridgeLog.h"

#include "Platform/Foundation/LogChannel.h"

namespace {

foundation::LogChannel& channel()
{
    static foundation::LogChannel channel;
    return channel;
}

} // namespace

WSBLogSink WSBSetLogSink(WSBLogSink sink)
{
    return channel().setSink(std::move(sink));
}

void WSBLogLine(const std::string& line)
{
    channel().line(line);
}
