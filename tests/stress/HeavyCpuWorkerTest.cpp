// The heavy processor load's workers: one on every logical processor, each adding its work to its own processor;
// a wrong result injected on one processor is reported for that processor alone; the single moving worker visits
// the processors in turn, really running on each; every worker ends with its switch.
#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <vector>

#include "report/HeavyMonitor_win.h"
#include "settings/IniStore.h"
#include "stress/HeavyCpu_win.h"
#include "stress/HeavyOptions.h"
#include "stress/StressControl.h"
#include "stress/ProcessorTopology.h"
#include "stress/StressState.h"
#include "support/Scratch.h"
#include "support/TestRun.h"

namespace {

// The processor the check ran on, seen from inside the worker's thread as the run's hook receives the fault.
std::atomic<int32_t> runningOn{-2};
void (*recordFault)(const WorkerRun& run, const LoadFault& fault) = nullptr;

int RunningProcessor() {
    PROCESSOR_NUMBER number = {};
    GetCurrentProcessorNumberEx(&number);
    return ProcessorIndexOf(ReadProcessorGroups(), number.Group, number.Number);
}

void RecordFaultAndProcessor(const WorkerRun& run, const LoadFault& fault) {
    runningOn.store(RunningProcessor());
    recordFault(run, fault);
}

class HeavyCpuWorkers : public testing::Test {
protected:
    void SetUp() override {
        BeginTestRun(1 << int(LoadType::Cpu));
        recordFault = StressRunHooks.fault;
        StressRunHooks.fault = RecordFaultAndProcessor;
        runningOn = -2;
        Stress.cpuOn = 1;
        Stress.masterOn = 1;
    }
    void TearDown() override {
        Stress.masterOn = 0;
        EXPECT_TRUE(WaitFor([] { return WorkersNow() == 0; }, 20000)) << "every worker ends with the switch";
        EndTestRun();
        StressRunHooks.fault = recordFault;
        FmaTestFaults.wrongResults = 0;
        FmaTestFaults.wrongResultProcessor = -1;
        FmaTestFaults.alwaysWrongProcessor = -1;
    }
    static int64_t Errors() { return CurrentRun.errorCount.load(); }
    static int WorkersNow() {
        const ProcessorWork* work = PublishedProcessorWork();
        int workers = 0;
        for (int i = 0; work && i < work->count; ++i)
            workers += work->workers[i].load();
        return workers;
    }
    static uint64_t Operations(int processor) { return PublishedProcessorWork()->operations[processor].load(); }
};

}  // namespace

TEST_F(HeavyCpuWorkers, EveryProcessorWorksAndAWrongResultIsReportedForItsProcessor) {
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    ASSERT_EQ(StartHeavyCpuWorkers(nullptr, 0), processors);
    EXPECT_EQ(InstructionSet(HeavyCpu.instructionSet.load()), WidestInstructionSet(ReadProcessorFeatures()));
    const ProcessorWork* work = PublishedProcessorWork();
    ASSERT_NE(work, nullptr);
    ASSERT_EQ(work->count, processors);
    std::vector<uint64_t> before(static_cast<size_t>(processors));
    for (int i = 0; i < processors; ++i)
        before[size_t(i)] = Operations(i);
    for (int i = 0; i < processors; ++i) {
        EXPECT_TRUE(WaitFor([&] { return Operations(i) > before[size_t(i)] && work->workers[i].load() == 1; }, 20000))
            << "processor " << i << " has its worker and its work";
    }
    EXPECT_EQ(Errors(), 0) << "a clean run finds nothing";
    EXPECT_EQ(CurrentRun.loadRan[int(LoadType::Cpu)].load(), 1);

    const int target = processors - 1;
    FmaTestFaults.wrongResultIndex = 5;
    FmaTestFaults.wrongResultProcessor = target;
    FmaTestFaults.wrongResults = 1;
    ASSERT_TRUE(WaitFor([] { return Errors() > 0; }, 20000));
    Sleep(200);
    ASSERT_EQ(Errors(), 1) << "one wrong result, one error";
    const RunError& error = CurrentRun.errors[0];
    EXPECT_EQ(error.source, ErrorSource::FloatingPoint);
    EXPECT_EQ(error.processor, target);
    EXPECT_EQ(runningOn.load(), target) << "the worker really runs on the processor it names";
    EXPECT_EQ(error.expected ^ error.actual, uint64_t(1) << 40);
    EXPECT_NE(std::string(error.detail).find("result 5 is 0x"), std::string::npos) << error.detail;
    EXPECT_EQ(CurrentRun.processorErrors[target].load(), 1);
    EXPECT_EQ(FmaTestFaults.wrongResults.load(), 0);

    Stress.cpuOn = 0;
    EXPECT_TRUE(WaitFor([] { return WorkersNow() == 0; }, 20000)) << "the processor switch ends every worker";
}

// A processor wrong from its very first call is the one blamed, never the others: the reference is what two
// processors agree on. With only two processors neither can be told right, but the errors still all fall on one.
TEST_F(HeavyCpuWorkers, AProcessorWrongFromItsFirstCallIsTheOnlyOneBlamed) {
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    if (processors < 2)
        GTEST_SKIP() << "needs two processors to tell one from the others";
    FmaTestFaults.wrongResultIndex = 7;
    FmaTestFaults.alwaysWrongProcessor = 0;
    ASSERT_EQ(StartHeavyCpuWorkers(nullptr, 0), processors);
    ASSERT_TRUE(WaitFor([] { return Errors() >= 3; }, 20000));
    Stress.cpuOn = 0;
    ASSERT_TRUE(WaitFor([] { return WorkersNow() == 0; }, 20000));
    const int64_t errors = Errors();
    int blamed = -1;
    for (int i = 0; i < processors; ++i) {
        if (CurrentRun.processorErrors[i].load() > 0) {
            EXPECT_EQ(blamed, -1) << "processors " << blamed << " and " << i << " both blamed";
            blamed = i;
        }
    }
    ASSERT_GE(blamed, 0);
    EXPECT_EQ(CurrentRun.processorErrors[blamed].load(), errors) << "every error on one processor";
    if (processors >= 3)
        EXPECT_EQ(blamed, 0) << "the others outvote the wrong one";
    EXPECT_EQ(CurrentRun.errors[0].expected ^ CurrentRun.errors[0].actual, uint64_t(1) << 40);
}

TEST_F(HeavyCpuWorkers, OneWorkerVisitsTheProcessorsInTurn) {
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    ASSERT_EQ(StartHeavyCpuWorkers(nullptr, 300), 1);
    EXPECT_EQ(HeavyCpu.cycleMilliseconds.load(), 300);
    const ProcessorWork* work = PublishedProcessorWork();
    ASSERT_NE(work, nullptr);
    // Round the processors twice: each holds the one worker in turn, and no two at once.
    for (int lap = 0; lap < 2; ++lap) {
        for (int i = 0; i < processors; ++i) {
            EXPECT_TRUE(WaitFor([&] { return work->workers[i].load() == 1; }, 10000)) << "lap " << lap << " " << i;
            EXPECT_LE(WorkersNow(), 1);
        }
    }
    const int target = processors > 1 ? 1 : 0;
    ASSERT_TRUE(WaitFor([&] { return work->workers[target].load() == 1; }, 10000));
    FmaTestFaults.wrongResultIndex = 0;
    FmaTestFaults.wrongResultProcessor = target;
    FmaTestFaults.wrongResults = 1;
    ASSERT_TRUE(WaitFor([] { return Errors() > 0; }, 20000));
    EXPECT_EQ(CurrentRun.errors[0].processor, target);
    EXPECT_EQ(runningOn.load(), target) << "the moving worker is bound where it says it is";
}

// The options rows' commands store the settings and the next start of the processor load follows them.
TEST_F(HeavyCpuWorkers, TheChosenMethodDecidesWhichWorkersTheProcessorLoadStarts) {
    ScratchFolder folder;
    const std::wstring ini = folder.File(L"kestrovane.ini");
    ASSERT_TRUE(WriteFileBytes(ini, "[Program]\r\n"));
    wcscpy(IniPath, ini.c_str());
    ASSERT_TRUE(HandleHeavyCommand(kCommandCpuFloatingPoint));
    ASSERT_TRUE(HandleHeavyCommand(kCommandMemoryThreeQuarters));
    ASSERT_TRUE(HandleHeavyCommand(kCommandCpuCycle));
    ASSERT_TRUE(HandleHeavyCommand(kCommandCpuCycle));
    EXPECT_FALSE(HandleHeavyCommand(kCommandMaster)) << "not an options row's command";
    EXPECT_EQ(ReadFileBytes(ini), "[Program]\r\ncpu_method=1\r\nmem_share=75\r\ncycle_min=0\r\n");
    Heavy.cpuMethod = 0;
    LoadHeavySettings();
    EXPECT_EQ(CpuMethod(Heavy.cpuMethod.load()), CpuMethod::FloatingPoint);
    EXPECT_EQ(SelectedMemorySize().amount, 75);

    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    StartLoadWorkers(nullptr, LoadType::Cpu);
    EXPECT_TRUE(WaitFor([&] { return WorkersNow() == processors; }, 10000)) << "a heavy worker on every processor";
    ASSERT_TRUE(HandleHeavyCommand(kCommandCpuAdditions));
    ASSERT_TRUE(HandleHeavyCommand(kCommandMemoryStandard));
    EXPECT_EQ(ReadFileBytes(ini), "[Program]\r\ncpu_method=0\r\nmem_share=0\r\ncycle_min=0\r\n");
    IniPath[0] = 0;
}

// The run's monitor over real workers: every processor's rate in the log's extra columns, their total in the
// status part, and the facts the report gets at the end.
TEST_F(HeavyCpuWorkers, TheMonitorLogsEveryProcessorsRateAndTellsTheReportWhatRan) {
    const int processors = LogicalProcessorCount(ReadProcessorGroups());
    const std::vector<std::string> columns = BeginHeavyMonitor();
    ASSERT_GE(columns.size(), size_t(processors) + 3);
    EXPECT_EQ(columns[1], "cpu0_gflops");
    ASSERT_EQ(StartHeavyCpuWorkers(nullptr, 0), processors);
    std::vector<double> values;
    for (int second = 1; second <= 3; ++second) {
        Sleep(1000);
        TickHeavyMonitor(second, values);
        ASSERT_EQ(values.size(), columns.size());
    }
    for (int i = 0; i < processors; ++i)
        EXPECT_GT(values[size_t(1 + i)], 0.1) << "processor " << i << "'s GFLOPS";
    EXPECT_NEAR(values[0], ReadHeavyStatus().totalGigaflops, 1e-9) << "the status part shows the logged total";
    EXPECT_EQ(ReadHeavyStatus().throttling.processor, -1) << "three seconds cannot make a processor throttle";

    const HeavyRunFacts facts = EndHeavyMonitor();
    EXPECT_TRUE(facts.floatingPoint);
    EXPECT_EQ(facts.instructionSet, InstructionSetName(WidestInstructionSet(ReadProcessorFeatures())));
    EXPECT_EQ(facts.cycleSeconds, 0);
    EXPECT_TRUE(facts.events.empty());
    EXPECT_EQ(facts.clockAvailable, columns.size() == size_t(2 * processors + 3)) << "clock columns with counters";
    EXPECT_LT(ReadHeavyStatus().totalGigaflops, 0) << "nothing shown once the run is over";
}
