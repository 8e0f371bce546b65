#include "Platform/DispatchQt/QtMainQueueDrain.h"
#include "Support/TempHome.h"
#include "Support/WebEngine/WebEngineTestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

// Test binaries that run the web engine: see WebEngineTestSupport.h for the order of things.
int main(int argc, char** argv)
{
    testsupport::TempHome::instance();
    testsupport::prepareWebEngineEnvironment();
    testsupport::beforeWebEngineApplication();
    QApplication app(argc, argv);
    auto drain = dispatch::QtMainQueueDrain::install();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
