#include "Platform/Foundation/LogChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using foundation::LogChannel;

TEST(LogChannel, LinesReachTheInstalledSinkUntilItIsReplaced)
{
    LogChannel channel;
    std::vector<std::string> first, second;
    EXPECT_FALSE(channel.setSink([&](const std::string& line) { first.push_back(line); }));
    channel.line("one");
    auto previous = channel.setSink([&](const std::string& line) { second.push_back(line); });
    channel.line("two");
    ASSERT_TRUE(previous);
    previous("by hand");
    EXPECT_EQ(first, (std::vector<std::string>{"one", "by hand"}));
    EXPECT_EQ(second, (std::vector<std::string>{"two"}));

    testing::internal::CaptureStderr();
    channel.setSink({});
    channel.line("to stderr");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr\n");
    EXPECT_EQ(second.size(), 1u);
}

TEST(LogChannel, ASinkMayWriteToItsOwnChannel)
{
    LogChannel channel;
    std::vector<std::string> lines;
    channel.setSink([&](const std::string& line) {
        lines.push_back(line);
        if (line == "outer")
            channel.line("inner");
    });
    channel.line("outer");
    EXPECT_EQ(lines, (std::vector<std::string>{"outer", "inner"}));
}

TEST(LogChannel, LinesFromManyThreadsAreDeliveredOneAtATime)
{
    LogChannel channel;
    std::vector<std::string> lines; // unguarded: the channel serialises its deliveries
    channel.setSink([&](const std::string& line) { lines.push_back(line); });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&channel, t] {
            for (int i = 0; i < 500; ++i)
                channel.line(std::to_string(t));
        });
    for (auto& writer : writers)
        writer.join();
    ASSERT_EQ(lines.size(), 2000u);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(std::count(lines.begin(), lines.end(), std::to_string(t)), 500);
}
