// The log's way to the disk: lines wait whole while the file takes nothing or part of them, the backlog has a
// bound, and a long log is read back from its head and its tail.
#include <gtest/gtest.h>

#include <string>

#include "report/RunLog.h"
#include "report/RunLogFile.h"

TEST(RunLogFile, LinesWaitWhileTheDiskIsFullAndGoOutWholeAndInOrderWhenItHasRoom) {
    LogBacklog backlog;
    std::string disk;
    size_t room = 0;
    const auto write = [&](std::string_view bytes) {
        const size_t taken = bytes.size() < room ? bytes.size() : room;
        disk.append(bytes.substr(0, taken));
        room -= taken;
        return taken;
    };
    QueueLogLine(backlog, "header\n");
    EXPECT_FALSE(FlushLogBacklog(backlog, write)) << "a full disk takes nothing";
    QueueLogLine(backlog, "1,a\n");
    room = 9;
    EXPECT_FALSE(FlushLogBacklog(backlog, write)) << "room for part of a line";
    EXPECT_EQ(disk, "header\n1,");
    EXPECT_EQ(backlog.pending, "a\n");
    QueueLogLine(backlog, "2,b\n");
    room = 100;
    EXPECT_TRUE(FlushLogBacklog(backlog, write));
    EXPECT_EQ(disk, "header\n1,a\n2,b\n") << "the cut line is completed before the next";
    EXPECT_TRUE(backlog.pending.empty());

    // A writer that claims more than it was offered does not make the backlog skip bytes it never had.
    QueueLogLine(backlog, "3,c\n");
    EXPECT_TRUE(FlushLogBacklog(backlog, [](std::string_view bytes) { return bytes.size() + 10; }));
    EXPECT_TRUE(backlog.pending.empty());
}

TEST(RunLogFile, AFullBacklogDropsWholeLinesAndCountsThem) {
    LogBacklog backlog;
    backlog.capacity = 10;
    QueueLogLine(backlog, "12345\n");
    QueueLogLine(backlog, "6789\n");
    QueueLogLine(backlog, "abcde\n");
    EXPECT_EQ(backlog.pending, "12345\n");
    EXPECT_EQ(backlog.droppedLines, 2u);
    EXPECT_TRUE(FlushLogBacklog(backlog, [](std::string_view bytes) { return bytes.size(); }));
    QueueLogLine(backlog, "ab\n");
    EXPECT_EQ(backlog.pending, "ab\n") << "room again once written";
}

TEST(RunLogFile, ALongLogIsReadFromItsDescriptionColumnsAndLastWholeLines) {
    std::string log = "# Kestrovane run log,format=1\n" + ComposeLogColumnLine();
    for (int second = 1; second <= 500; ++second) {
        LogSample sample;
        sample.secondsSinceStart = second;
        sample.master = sample.cpu = true;
        sample.megaAddPerSecond = 1000 + second;
        AppendLogLine(log, sample);
    }
    const std::string_view text(log);
    const std::string joined = JoinLogHeadAndTail(text.substr(0, 4096), text.substr(text.size() - 1000));
    RunLogData data;
    ASSERT_TRUE(ReadRunLog(joined, data));
    EXPECT_EQ(HeaderValue(data, "format"), "1");
    const RunLogSeries* seconds = FindSeries(data, "seconds");
    ASSERT_NE(seconds, nullptr);
    ASSERT_GT(data.rows, 5u);
    EXPECT_EQ(data.skippedLines, 0u) << "the cut first line of the tail is left out";
    EXPECT_EQ(seconds->values.back(), 500);
    EXPECT_EQ(seconds->values.front(), 501 - double(data.rows));

    EXPECT_EQ(JoinLogHeadAndTail("# only one line\n", "1,2\n"), "") << "no column line: nothing to read";
    EXPECT_EQ(JoinLogHeadAndTail("a\nb\n", "cut"), "a\nb\n") << "a tail without a line end adds nothing";
}
