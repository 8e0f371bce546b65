#include "Class/ServiceCore/Catalogue/KXCatalogueLog.h"

#include "Platform/Foundation/LogChannel.h"

namespace kxcatalogue {
namespace {

foundation::LogChannel& channel()
{
    static foundation::LogChannel channel;
    return channel;
}

} // namespace

LogSink setLogSink(LogSink sink)
{
    return channel().setSink(std::move(sink));
}

void log(const std::string& line)
{
    channel().line(line);
}

} // namespace kxcatalogue
