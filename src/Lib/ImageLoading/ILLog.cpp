#include "Lib/ImageLoading/ILLog.h"

#include "Platform/Foundation/LogChannel.h"

namespace {

foundation::LogChannel& channel()
{
    static foundation::LogChannel channel;
    return channel;
}

} // namespace

ILLogSink ILSetLogSink(ILLogSink sink)
{
    return channel().setSink(std::move(sink));
}

void ILLogLine(const std::string& line)
{
    channel().line(line);
}
