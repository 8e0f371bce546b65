#include "Support/QuickRun.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace benchsupport {

bool quickRun()
{
    static const bool quick = [] {
        const char* value = std::getenv(kQuickRunVariable);
        const bool on = value && std::strcmp(value, "1") == 0;
        if (on)
            std::fprintf(stderr,
                "quick run (%s=1): smallest sizes and fewest rounds; not the benchmark's figures\n",
                kQuickRunVariable);
        return on;
    }();
    return quick;
}

} // namespace benchsupport
