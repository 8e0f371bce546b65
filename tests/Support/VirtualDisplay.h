#pragma once

#include <string>
#include <sys/types.h>

namespace testsupport {

// A private X server for one test: Xvfb picks a free display and writes its number to a pipe once
// it accepts connections. name() is empty when no server could be started (no Xvfb installed).
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = 0;
    std::string name_;
};

} // namespace testsupport
