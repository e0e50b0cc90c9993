// The window tests need a QApplication before any widget exists.
#include <QApplication>
#include <QLockFile>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The single-instance test starts this program to leave a lock behind as a
    // crashed copy would: taken, and never released.
    if (argc == 3 && std::strcmp(argv[1], "--take-lock-and-crash") == 0) {
        QLockFile lock(QString::fromLocal8Bit(argv[2]));
        std::_Exit(lock.tryLock(0) ? 0 : 1);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
