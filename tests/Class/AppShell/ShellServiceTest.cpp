#include "ShellServiceTest.h"

namespace shelltest {

namespace {

class StopServiceAtTheEnd final : public ::testing::Environment {
public:
    void TearDown() override { transporttest::TransportTest::TearDownTestSuite(); }
};

} // namespace

void ShellServiceTest::SetUpTestSuite()
{
    static const bool started = [] {
        transporttest::TransportTest::SetUpTestSuite();
        ::testing::AddGlobalTestEnvironment(new StopServiceAtTheEnd());
        return true;
    }();
    (void)started;
}

} // namespace shelltest
