// Shared main for every test program: an application object exists for the whole run so that
// fonts and painting work (tests run with the offscreen platform). Programs that make widgets
// are built with TARNWELL_TEST_WIDGETS and get a QApplication; the others, the data tests among
// them, a QGuiApplication and no widget library.
#ifdef TARNWELL_TEST_WIDGETS
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QGuiApplication>
using TTestApplication = QGuiApplication;
#endif
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests never read or write the user's settings: every window starts with its defaults.
    qputenv("TARNWELL_NO_SETTINGS", "1");
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
