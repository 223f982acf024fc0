// The runs folder: names from the start time with a suffix for a second run in the same second, and retention
// that keeps the newest runs and never names a file the program did not write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "report/RunFolder.h"

namespace {

CivilTime At(int day, int hour, int minute, int second) {
    return {2026, 12, day, hour, minute, second};
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

}  // namespace

TEST(RunFolder, NamesComeFromTheStartTimeAndNeverCollide) {
    EXPECT_EQ(RunFileStem(At(8, 14, 3, 22)), u"2026-12-08_14-03-22");
    EXPECT_EQ(RunFileNameOf(RunFileStem(CivilTime{2027, 1, 2, 3, 4, 5}, 12), RunFileKind::Report),
              u"2027-01-02_03-04-05_12.html");
    std::vector<std::u16string> folder = {u"2026-12-08_14-03-22.json", u"other.txt"};
    EXPECT_EQ(ChooseRunStem(At(8, 14, 3, 22), folder), u"2026-12-08_14-03-22_2") << "any of the three files counts";
    folder.push_back(u"2026-12-08_14-03-22_2.csv");
    EXPECT_EQ(ChooseRunStem(At(8, 14, 3, 22), folder), u"2026-12-08_14-03-22_3");
    EXPECT_EQ(ChooseRunStem(At(8, 14, 3, 23), folder), u"2026-12-08_14-03-23");
    for (int suffix = 1; suffix <= kMaxRunSuffix; ++suffix)
        folder.push_back(RunFileNameOf(RunFileStem(At(9, 0, 0, 0), suffix), RunFileKind::Log));
    EXPECT_EQ(ChooseRunStem(At(9, 0, 0, 0), folder), u"") << "every suffix taken";
}

TEST(RunFolder, OnlyTheProgramsOwnNamesAreRecognised) {
    RunFileName parsed;
    ASSERT_TRUE(ParseRunFileName(u"2026-12-08_14-03-22_17.json", parsed));
    EXPECT_EQ(parsed.suffix, 17);
    EXPECT_EQ(parsed.kind, RunFileKind::Summary);
    EXPECT_EQ(parsed.start.second, 22);
    for (const char16_t* foreign :
         {u"notes.csv", u"2026-12-08_14-03-22.CSV", u"2026-12-08_14-03-22.csv.bak", u"2026-12-08_14-03-22.htm",
          u"2026-12-08_14-03-22_01.csv", u"2026-12-08_14-03-22_1.csv", u"2026-12-08_14-03-22_1000.csv",
          u"2026-12-08_14-03-22_.csv", u"2026-13-08_14-03-22.csv", u"2026-02-29_14-03-22.csv",
          u"2026-12-08_24-03-22.csv", u"2026-12-08 14-03-22.csv", u"x2026-12-08_14-03-22.csv", u"2026-12-08_14-03-22",
          u"\u0662026-12-08_14-03-22.csv", u""})
        EXPECT_FALSE(ParseRunFileName(foreign, parsed)) << Narrow(foreign);
}

TEST(RunFolder, RetentionKeepsTheNewestRunsAndTouchesNothingElse) {
    std::vector<std::u16string> folder = {u"readme.txt", u"2026-12-08_14-03-22.CSV", u"kestrovane.ini",
                                          u"2026-12-08_14-03-22.csv.bak", u"2020-01-01_00-00-00_01.csv"};
    // 105 runs, oldest first by time; their files listed in a shuffled order; some runs lack a file.
    std::vector<std::u16string> stems;
    for (int run = 0; run < 105; ++run) {
        const CivilTime start = At(1 + run / 24, run % 24, 0, 0);
        stems.push_back(RunFileStem(start, run % 7 == 3 ? 2 : 1));
        for (int kind = 0; kind < kRunFileKindCount; ++kind) {
            if (run % 5 != 1 || kind == 0)
                folder.push_back(RunFileNameOf(stems.back(), RunFileKind(kind)));
        }
    }
    std::reverse(folder.begin(), folder.end());
    std::rotate(folder.begin(), folder.begin() + 37, folder.end());

    const std::vector<std::u16string> doomed = RunFilesToDelete(folder, stems.back());
    // The run being written is one of the hundred: the five oldest go, with every file they have.
    std::vector<std::u16string> expected;
    for (int run = 0; run < 5; ++run) {
        for (int kind = 0; kind < kRunFileKindCount; ++kind) {
            const std::u16string name = RunFileNameOf(stems[size_t(run)], RunFileKind(kind));
            if (std::find(folder.begin(), folder.end(), name) != folder.end())
                expected.push_back(name);
        }
    }
    std::vector<std::u16string> sorted = doomed;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);

    // Whatever the clock said, the run being written is never deleted, even as the oldest name of the folder.
    std::vector<std::u16string> clockMovedBack = folder;
    clockMovedBack.push_back(u"2001-01-01_00-00-00.csv");
    const std::vector<std::u16string> doomedAfterClockChange = RunFilesToDelete(clockMovedBack, u"2001-01-01_00-00-00");
    EXPECT_EQ(std::count(doomedAfterClockChange.begin(), doomedAfterClockChange.end(), u"2001-01-01_00-00-00.csv"), 0);
    EXPECT_EQ(doomedAfterClockChange.size(), doomed.size() + 3) << "one more old run goes instead";

    for (const std::u16string& name : RunFilesToDelete(folder, u"", 0)) {
        RunFileName parsed;
        EXPECT_TRUE(ParseRunFileName(name, parsed)) << "foreign file chosen: " << Narrow(name);
    }
    EXPECT_EQ(RunFilesToDelete(folder, u"", 0).size(), folder.size() - 5) << "keeping none still spares foreign files";
    EXPECT_TRUE(RunFilesToDelete(folder, stems.back(), 200).empty());
}
