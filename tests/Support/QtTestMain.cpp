#include "Support/TempHome.h"

#include <QApplication>
#include <gtest/gtest.h>

// Test binaries that touch widgets run inside an offscreen QApplication on the main thread.
int main(int argc, char** argv)
{
    testsupport::TempHome::instance();
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
