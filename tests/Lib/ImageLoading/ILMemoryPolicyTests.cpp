// The process memory policy, each case in a process of its own started afresh (the allocator's
// arenas of the test program's earlier threads would otherwise be inherited).
#include "Lib/ImageLoading/ILMemoryPolicy.h"
#include "Platform/Foundation/Sanitizers.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;

// The allocator's arenas once `threads` threads, all alive at once, have each allocated a block.
int arenasAfterThreadsAllocate(int threads)
{
    std::mutex lock;
    std::condition_variable changed;
    std::vector<void*> blocks; // kept where the compiler cannot leave the allocations out
    bool done = false;
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&] {
            void* block = std::malloc(4096);
            std::unique_lock guard(lock);
            blocks.push_back(block);
            changed.notify_all();
            changed.wait(guard, [&] { return done; });
        });
    }
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return blocks.size() == static_cast<std::size_t>(threads); });
    }
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* report = open_memstream(&text, &size);
    malloc_info(0, report);
    std::fclose(report);
    const std::string xml(text, size);
    std::free(text);
    {
        std::lock_guard guard(lock);
        done = true;
    }
    changed.notify_all();
    for (auto& worker : workers)
        worker.join();
    for (void* block : blocks)
        std::free(block);
    int arenas = 0;
    for (std::size_t at = xml.find("<heap nr="); at != std::string::npos; at = xml.find("<heap nr=", at + 1))
        arenas += 1;
    return arenas;
}

// The child's exit status is its count of arenas.
auto arenasWere(bool (*accept)(int))
{
    return [accept](int status) { return WIFEXITED(status) && accept(WEXITSTATUS(status)); };
}

} // namespace

TEST(ILMemoryPolicy, ThreadsStartedAfterThePolicyShareTheArenasItAllows)
{
    if (foundation::kSanitizerAllocator)
        GTEST_SKIP() << "the sanitizer's own allocator serves malloc here, not the one the policy sets";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Without the policy every thread takes an arena of its own: the count below can tell.
    EXPECT_EXIT(std::_Exit(arenasAfterThreadsAllocate(kThreads)), arenasWere([](int arenas) { return arenas > kThreads; }), "");
    EXPECT_EXIT(
        {
            ILApplyProcessMemoryPolicy();
            std::_Exit(arenasAfterThreadsAllocate(kThreads));
        },
        arenasWere([](int arenas) { return arenas >= 1 && arenas <= kILProcessArenaLimit; }), "");
}
