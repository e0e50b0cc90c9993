#pragma once

#include <QCoreApplication>

namespace marrowick::e2e {

// The Qt application a test needs before it drives the real serial port and timers.
struct QtTestApp {
    int argc = 1;
    char name[4] = "e2e";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

} // namespace marrowick::e2e
