#include "platform/ui/TerminationSignals.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// Runs the application's own loop to its end, so this file holds one test.
TEST(TerminationSignals, ASigtermQuitsTheEventLoopInAnOrderlyWay)
{
    platform::quitOnTerminationSignals();
    bool aboutToQuit = false;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { aboutToQuit = true; });
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(aboutToQuit);
}

} // namespace
