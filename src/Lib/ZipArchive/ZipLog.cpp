#include "Lib/ZipArchive/ZipLog.h"

#include <cstdio>
#include <string>

namespace zipentry {

void log(std::string_view line)
{
    std::string text(line);
    text.push_back('\n');
    std::fputs(text.c_str(), stderr);
}

} // namespace zipentry
