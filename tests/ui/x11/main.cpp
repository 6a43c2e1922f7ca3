#include "XServer.h"
#include "XWindowTest.h"
#include "ui/ServiceKitApplication.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

std::string XWindowTest::skipReason;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The program's own application class, on a real X server of the test's own.
    XServer server;
    std::unique_ptr<ServiceKitApplication> app;
    if (server.running()) {
        ::setenv("DISPLAY", server.display().c_str(), 1);
        // Off screen when Qt's X11 plugin cannot load, rather than an abort.
        ::setenv("QT_QPA_PLATFORM", "xcb;offscreen", 1);
        app = std::make_unique<ServiceKitApplication>(argc, argv);
        if (QGuiApplication::platformName() != QStringLiteral("xcb"))
            XWindowTest::skipReason = "Qt's X11 platform plugin cannot be loaded";
    } else {
        XWindowTest::skipReason = server.reason();
    }
    const int result = RUN_ALL_TESTS();
    app.reset();
    return result;
}
