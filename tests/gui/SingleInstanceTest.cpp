#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "app/SingleInstance.h"

namespace marrowick::testing {
namespace {

QString UniqueKey(const char* what)
{
    return QStringLiteral("marrowick-test-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QString::fromLatin1(what))
        .arg(QDateTime::currentMSecsSinceEpoch());
}

TEST(SingleInstance, ALaterStartHandsOverToTheRunningOne)
{
    const QString key = UniqueKey("handover");
    SingleInstance running(key);
    int activations = 0;
    running.onActivate = [&] { ++activations; };
    ASSERT_TRUE(running.Claim());

    SingleInstance later(key);
    EXPECT_FALSE(later.Claim());
    EXPECT_TRUE(WaitFor([&] { return activations == 1; }));
}

TEST(SingleInstance, ALockLeftByACrashedCopyDoesNotBlockTheNextStart)
{
    const QString key = UniqueKey("crash");
    const QString lock = QDir::temp().filePath(key + QStringLiteral(".lock"));
    // A copy of this program takes the lock and ends without clean-up, as in a crash.
    ASSERT_EQ(
        QProcess::execute(QCoreApplication::applicationFilePath(), {QStringLiteral("--take-lock-and-crash"), lock}), 0);
    ASSERT_TRUE(QFile::exists(lock));

    SingleInstance next(key);
    EXPECT_TRUE(next.Claim());
    SingleInstance another(key);
    EXPECT_FALSE(another.Claim()) << "and the new copy is the one later starts find";
}

} // namespace
} // namespace marrowick::testing
