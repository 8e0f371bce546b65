#pragma once

#include "Transport/TransportTestSupport.h"

namespace shelltest {

// The transport fixture with one local service for the whole test program: starting and stopping
// one per suite costs seconds (the service waits out its kept-alive connections when it stops).
class ShellServiceTest : public transporttest::TransportTest {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { }
};

} // namespace shelltest
