#include <QApplication>

#include <gtest/gtest.h>

// The application's windows need a QApplication; the tests run with QT_QPA_PLATFORM=offscreen.
int main(int argc, char** argv)
{
    // Listing or running the tests never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
