// The run's texts in the shipped languages: placeholders filled in order whatever a translation holds, the status
// part through a run's life, the result of a failed run, and the detectors' self-test with its table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "i18n/LanguageTables.h"
#include "run/RunStatusText.h"
#include "run/SelfTest.h"
#include "stress/RealDiskLoad.h"

namespace {

class RunStatusTextTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(LoadLanguageResource(), 1); }
    void SetUp() override { CurrentLanguage = kReferenceLanguage; }
    void TearDown() override { EndRun(0); }

    static void AddError(ErrorSource source, int processor, int64_t at, const char* detail) {
        RunError error;
        error.source = source;
        error.processor = processor;
        error.millisecondsSinceStart = at;
        std::strcpy(error.detail, detail);
        RecordRunError(CurrentRun.runId.load(), error);
    }
};

constexpr int32_t kCpuAndMemory = 1 << 1 | 1 << 3;
constexpr int32_t kPaintAndDisk = 1 << 0 | 1 << 2;

}  // namespace

TEST_F(RunStatusTextTest, PlaceholdersAreFilledInOrderAndAnyTranslationIsSafe) {
    EXPECT_EQ(FillPlaceholders(u"%d ERRORS: %s", {u"2", u"processor 3"}), u"2 ERRORS: processor 3");
    EXPECT_EQ(FillPlaceholders(u"100%% %s", {u"done"}), u"100% done");
    EXPECT_EQ(FillPlaceholders(u"%s", {u"a", u"b"}), u"a") << "extra values are dropped";
    EXPECT_EQ(FillPlaceholders(u"%s-%s-%d %x %", {u"a"}), u"a-- %x %") << "missing values are empty";
    EXPECT_EQ(DurationText(0), u"0:00:00");
    EXPECT_EQ(DurationText(3'723'999), u"1:02:03");
    EXPECT_EQ(DurationText(-5), u"0:00:00");
    EXPECT_EQ(DecimalText(-1234567890123), u"-1234567890123");
}

TEST_F(RunStatusTextTest, TheStatusPartFollowsTheRunAndItsErrors) {
    EndRun(0);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).look, StatusPartLook::Hidden) << "no run, no part";

    BeginRun(kCpuAndMemory, 1000, 0);
    StatusPart part = ComposeStatusPart(CurrentRun);
    EXPECT_EQ(part.look, StatusPartLook::Normal);
    EXPECT_EQ(part.text, u"Verified: 0 errors");

    SetHardwareLogState(HardwareLogState::NotAvailable);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"Verified: 0 errors \u2013 hardware error log: not available");

    AddError(ErrorSource::Additions, 3, 5000, "additions: sum 2");
    AddError(ErrorSource::Memory, 1, 6000, "memory");
    part = ComposeStatusPart(CurrentRun);
    EXPECT_EQ(part.look, StatusPartLook::Alarm);
    EXPECT_EQ(part.text, u"2 ERRORS: processor 3 (additions) \u2013 hardware error log: not available");

    RunError floatingPoint;
    floatingPoint.source = ErrorSource::FloatingPoint;
    floatingPoint.processor = 5;
    EXPECT_EQ(ErrorPlaceText(floatingPoint), u"processor 5 (floating point)");

    EndRun(20000);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).look, StatusPartLook::Alarm) << "errors stay shown after the run";

    BeginRun(kPaintAndDisk, 0, 0);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"not verified");
    RunCheckSettings unverified;
    unverified.verify = false;
    BeginRun(kCpuAndMemory, 0, 0, unverified);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"not verified");
    EndRun(10);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).look, StatusPartLook::Hidden) << "a clean run leaves no part behind";

    BeginRun(kCpuAndMemory, 0, 0);
    AddError(ErrorSource::HardwareLog, -1, 10, "hardware error log: WHEA-Logger event 47");
    CurrentLanguage = 0;
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"1 FEHLER: Hardware-Fehlerprotokoll");
}

TEST_F(RunStatusTextTest, TheRealDiskLoadShowsItsRatesItsWaitAndItsFolderInThePart) {
    DiskLoadStatus status;
    EXPECT_EQ(DiskStatusText(status), u"") << "nothing before the first phase";
    status.writeMegabytesPerSecond = 811.6;
    status.readMegabytesPerSecond = 1650.2;
    EXPECT_EQ(DiskStatusText(status), u"Disk: write 812 MB/s, read 1650 MB/s");
    status.phase = int32_t(DiskPhase::NearlyFull);
    EXPECT_EQ(DiskStatusText(status), u"disk nearly full");
    status.phase = int32_t(DiskPhase::Ended);
    status.problem = int32_t(DiskIo::FolderGone);
    EXPECT_EQ(DiskStatusText(status), u"disk: folder not usable");

    // In the run's part, after the run's own text, only when the run has the real-disk load.
    DiskStatus.writeMegabytesPerSecond = 500;
    DiskStatus.readMegabytesPerSecond = 700;
    DiskStatus.phase = int32_t(DiskPhase::Reading);
    DiskStatus.problem = int32_t(DiskIo::Ok);
    RunCheckSettings realDisk;
    realDisk.realDisk = true;
    BeginRun(kPaintAndDisk, 0, 0, realDisk);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"Verified: 0 errors \u2013 Disk: write 500 MB/s, read 700 MB/s");
    AddError(ErrorSource::Disk, -1, 10, "kestrovane-disk-....tmp offset 4096: damaged sector");
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"1 ERRORS: HD-Stress \u2013 Disk: write 500 MB/s, read 700 MB/s");
    BeginRun(kPaintAndDisk, 0, 0);
    EXPECT_EQ(ComposeStatusPart(CurrentRun).text, u"not verified") << "the temporary-file load shows no rates";
    DiskStatus.writeMegabytesPerSecond = 0;
    DiskStatus.readMegabytesPerSecond = 0;
}

TEST_F(RunStatusTextTest, AFailedRunSaysWhatFailedWhereAndWhen) {
    BeginRun(kCpuAndMemory | 1 << 0, 10'000, 0);
    SetHardwareLogState(HardwareLogState::NotAvailable);
    AddError(ErrorSource::Memory, 1, 65'000, "memory: block 0, offset 0x123450");
    EndRun(10'000 + 3'725'000);
    EXPECT_EQ(ComposeRunResult(CurrentRun, 0),
              u"FAILED\n1 ERRORS: processor 1 (memory copy)\nRun time: 1:02:05\n"
              u"First error: processor 1 (memory copy), 0:01:05 after the start\n"
              u"memory: block 0, offset 0x123450\nPaint-Stress: not verified\nhardware error log: not available");

    BeginRun(kCpuAndMemory, 0, 0);
    EXPECT_EQ(ComposeRunResult(CurrentRun, 61'000), u"PASSED\nRun time: 0:01:01") << "a run that lasts runs till now";
}

TEST_F(RunStatusTextTest, EveryDetectorCatchesItsInjectedFaultAndTheTableSaysSo) {
    const SelfTestReport report = RunDetectorSelfTest(50);
    for (const DetectorResult& detector : report.detectors)
        EXPECT_TRUE(detector.caught) << detector.nameText << ": " << detector.detail;
    EXPECT_TRUE(report.allCaught);
    EXPECT_NE(report.detectors[1].detail.find("offsets 0xabcde0 (1 to 0)"), std::string::npos)
        << report.detectors[1].detail;
    const std::u16string table = ComposeSelfTestTable(report);
    EXPECT_EQ(table.rfind(u"Error detection check\nprocessor load: a wrong sum: caught (additions: sum 2 of", 0), 0u);
    EXPECT_NE(table.find(u"\nhardware error log: a recorded WHEA event: caught (hardware error log: WHEA-Logger "
                         u"event 19 (corrected)"),
              std::u16string::npos);
    EXPECT_NE(table.find(u"\nprocessor load (floating point): a wrong result: caught (floating point ("),
              std::u16string::npos);
    EXPECT_EQ(table.substr(table.size() - 33), u"Every detector caught its fault.\n");

    SelfTestReport missed = report;
    missed.detectors[2].caught = false;
    missed.allCaught = false;
    const std::u16string missedTable = ComposeSelfTestTable(missed);
    EXPECT_NE(missedTable.find(u"WHEA event: NOT caught"), std::u16string::npos);
    EXPECT_NE(missedTable.find(u"A detector missed its fault."), std::u16string::npos);
}

TEST_F(RunStatusTextTest, ATimedRunShowsItsTimeLeftAndALogThatCannotBeWrittenSaysSo) {
    BeginRun(kCpuAndMemory, 0, 0);
    StatusExtras extras;
    extras.millisecondsLeft = 2'537'001;
    EXPECT_EQ(ComposeStatusPart(CurrentRun, extras).text, u"Verified: 0 errors \u2013 0:42:18 left")
        << "whole seconds rounded up";
    extras.millisecondsLeft = 1;
    EXPECT_EQ(ComposeStatusPart(CurrentRun, extras).text, u"Verified: 0 errors \u2013 0:00:01 left");
    extras.logNotWritten = true;
    SetHardwareLogState(HardwareLogState::NotAvailable);
    AddError(ErrorSource::Additions, 0, 5, "additions");
    StatusPart part = ComposeStatusPart(CurrentRun, extras);
    EXPECT_EQ(part.look, StatusPartLook::Alarm);
    EXPECT_EQ(part.text,
              u"1 ERRORS: processor 0 (additions) \u2013 0:00:01 left \u2013 log not written \u2013 "
              u"hardware error log: not available");
    EndRun(10);
    EXPECT_EQ(ComposeStatusPart(CurrentRun, extras).text,
              u"1 ERRORS: processor 0 (additions) \u2013 "
              u"hardware error log: not available")
        << "after the run neither the time left nor the log's state";

    EXPECT_EQ(TimeLeftText(0), u"0:00:00 left");
    EXPECT_EQ(TimeLeftText(-5), u"0:00:00 left");
    EXPECT_EQ(TimeLeftText(3'600'000), u"1:00:00 left");
    CurrentLanguage = 0;
    EXPECT_EQ(TimeLeftText(59'500), u"noch 0:01:00");
}

TEST_F(RunStatusTextTest, TheVerdictLineNamesTheVerdictInEnglishAndTheRestInTheLanguage) {
    EXPECT_EQ(ComposeVerdictLine(Verdict::Passed, 20'004, 0, u"C:\\Runs\\2026-12-08_14-03-22.html"),
              u"PASSED \u2013 Run time: 0:00:20 \u2013 Errors: 0 \u2013 Report: C:\\Runs\\2026-12-08_14-03-22.html");
    EXPECT_EQ(ComposeVerdictLine(Verdict::Failed, 3'725'000, 12, u""),
              u"FAILED \u2013 Run time: 1:02:05 \u2013 Errors: 12 \u2013 report not written");
    CurrentLanguage = 0;
    EXPECT_EQ(ComposeVerdictLine(Verdict::Incomplete, 1000, 0, u"r.html"),
              u"INCOMPLETE \u2013 Laufzeit: 0:00:01 \u2013 Fehler: 0 \u2013 Bericht: r.html");
    EXPECT_EQ(ReportLineText(u""), u"Bericht nicht geschrieben");
}
