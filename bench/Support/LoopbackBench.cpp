#include "Support/LoopbackBench.h"

#include "Support/ScratchFolder.h"

#include <utility>

namespace benchsupport {

LoopbackBench::LoopbackBench(int serverThreads, std::string name) : server_(serverThreads), name_(std::move(name)) {}

void LoopbackBench::start()
{
    server_.start();
    folder_ = makeScratchFolder(name_);
}

void LoopbackBench::finish()
{
    std::filesystem::remove_all(folder_);
    server_.stop();
}

} // namespace benchsupport
