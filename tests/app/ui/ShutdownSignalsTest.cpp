// The system's requests to end the program, raised as real signals in this process.
#include "ShutdownSignals.h"

#include <QSignalSpy>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class ShutdownSignalsTest : public testing::TestWithParam<std::pair<int, const char*>> {};

TEST_P(ShutdownSignalsTest, EachSignalArrivesUnderItsName) {
    ShutdownSignals shutdown;
    QSignalSpy requested(&shutdown, &ShutdownSignals::ShutdownRequested);
    ASSERT_EQ(std::raise(GetParam().first), 0);
    ASSERT_TRUE(requested.wait(5000));
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested.at(0).at(0).toString(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Terminations, ShutdownSignalsTest,
                         testing::Values(std::pair(SIGTERM, "SIGTERM"), std::pair(SIGINT, "SIGINT"),
                                         std::pair(SIGHUP, "SIGHUP")));

TEST(ShutdownSignals, TheSessionEndingArrivesUnderItsName) {
    ShutdownSignals shutdown;
    QSignalSpy requested(&shutdown, &ShutdownSignals::ShutdownRequested);
    shutdown.SessionEnding();
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested.at(0).at(0).toString(), "session ending");
}

TEST(ShutdownSignals, AWriteToAPipeWithoutReaderFailsInsteadOfEndingTheProgram) {
    ShutdownSignals shutdown;
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const char byte = 1;
    EXPECT_EQ(::write(ends[1], &byte, 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(ends[1]);
}

} // namespace
