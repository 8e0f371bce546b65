#include "Lib/SQLKit/SQLog.h"

#include "Platform/Foundation/LogChannel.h"

namespace {

foundation::LogChannel& channel()
{
    static foundation::LogChannel channel;
    return channel;
}

} // namespace

SQLogSink SQSetLogSink(SQLogSink sink)
{
    return channel().setSink(std::move(sink));
}

void SQLogLine(const std::string& line)
{
    channel().line(line);
}
