#pragma once

#include <string_view>

namespace zipentry {

// One line to the process log (standard error), as the archive layer reports what it tolerates.
void log(std::string_view line);

} // namespace zipentry
