// The memory load on real threads: one bound worker per processor, the memory it holds and gives back, and a
// worker whose allocation fails.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <vector>

#include "run/RunRecord.h"
#include "stress/LoadCheck.h"
#include "stress/MemoryWorker.h"
#include "stress/StressControl.h"
#include "stress/Workers.h"
#include "support/Scratch.h"
#include "support/TestRun.h"

namespace {

constexpr DWORD kDeadline = 30000;
constexpr size_t kMiB = 1024 * 1024;

// Committed private memory of this process. Wine reports PrivateUsage as 0, so the regions are summed instead;
// on Windows the sum is the same figure.
size_t CommittedPrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}

struct ThreadFacts {
    void* start = nullptr;
    DWORD_PTR affinity = 0;
};

// Start address and affinity of a thread, as another thread sees them.
bool QueryThread(DWORD threadId, ThreadFacts& facts) {
    struct BasicInformation {
        LONG exitStatus;
        void* teb;
        void* processId;
        void* threadId;
        ULONG_PTR affinityMask;
        LONG priority;
        LONG basePriority;
    };
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query =
        reinterpret_cast<Query>((void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread"));
    constexpr int kThreadBasicInformation = 0;
    constexpr int kThreadQuerySetWin32StartAddress = 9;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    if (!query || !thread)
        return false;
    BasicInformation basic = {};
    const bool ok = query(thread, kThreadBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
                    query(thread, kThreadQuerySetWin32StartAddress, &facts.start, sizeof(facts.start), nullptr) == 0;
    facts.affinity = basic.affinityMask;
    CloseHandle(thread);
    return ok;
}

std::set<DWORD> CurrentThreadIds() {
    const std::vector<DWORD> ids = ProcessThreadIds();
    return std::set<DWORD>(ids.begin(), ids.end());
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return int(info.dwNumberOfProcessors);
}

// The seam's calls: real heap blocks and copies, with every call counted and one chosen allocation failing.
std::atomic<int> allocations{0};
std::atomic<int> failingAllocation{-1};
std::atomic<DWORD> failedThread{0};
std::atomic<int> blocksHeld{0};
std::atomic<int> copies{0};
std::atomic<int> copiesByFailedThread{0};
std::atomic<int> stopAfterCopies{0};
std::vector<void*> allocated;
std::vector<void*> released;

void* CountingAllocate(size_t bytes) {
    if (allocations++ == failingAllocation) {
        failedThread = GetCurrentThreadId();
        return nullptr;
    }
    ++blocksHeld;
    return std::malloc(bytes);
}

void CountingRelease(void* block) {
    --blocksHeld;
    std::free(block);
}

// For a single worker only: the records are not shared safely between threads.
void* RecordingAllocate(size_t bytes) {
    allocated.push_back(CountingAllocate(bytes));
    return allocated.back();
}

void RecordingRelease(void* block) {
    released.push_back(block);
    CountingRelease(block);
}

void CountingCopy(void* destination, const void* source, size_t bytes) {
    kHeapMemoryCalls.copy(destination, source, bytes);
    if (GetCurrentThreadId() == failedThread)
        ++copiesByFailedThread;
    if (++copies == stopAfterCopies)
        Stress.memoryOn = 0;
}

const MemoryBlockCalls kCountingCalls = {CountingAllocate, CountingRelease, CountingCopy};

DWORD WINAPI RunCountingLoad(LPVOID) {
    return RunMemoryLoad(kCountingCalls);
}

class MemoryWorkerTest : public testing::Test {
protected:
    void SetUp() override { ResetLoad(); }
    void TearDown() override {
        Stress.masterOn = 0;
        Stress.memoryOn = 0;
    }
    static void ResetLoad() {
        Stress.masterOn = 1;
        Stress.memoryOn = 1;
        allocations = 0;
        failingAllocation = -1;
        failedThread = 0;
        copies = 0;
        copiesByFailedThread = 0;
        blocksHeld = 0;
        stopAfterCopies = 0;
        allocated.clear();
        released.clear();
    }
};

}  // namespace

TEST_F(MemoryWorkerTest, TheLoadRunsOneBoundWorkerPerProcessorHoldingThirtyTwoMebibytesEach) {
    const int processors = ProcessorCount();
    const std::set<DWORD> before = CurrentThreadIds();
    const size_t committedBefore = CommittedPrivateBytes();
    StartLoadWorkers(nullptr, LoadType::Memory);
    ASSERT_TRUE(WaitFor([&] { return CountProcessThreads() == int(before.size()) + processors; }, kDeadline));

    std::set<DWORD_PTR> masks;
    for (DWORD id : CurrentThreadIds()) {
        if (before.count(id))
            continue;
        ThreadFacts facts;
        ASSERT_TRUE(QueryThread(id, facts)) << "thread " << id;
        EXPECT_EQ(facts.start, reinterpret_cast<void*>(MemoryWorker));
        masks.insert(facts.affinity);
    }
    std::set<DWORD_PTR> expected;
    for (int i = 0; i < processors; ++i)
        expected.insert(DWORD_PTR(1) << i);
    EXPECT_EQ(masks, expected) << "each worker is bound to its own single processor";

    // Beyond the blocks, each thread brings its stack, which Wine commits whole.
    const size_t load = size_t(processors) * 32 * kMiB;
    const size_t slack = size_t(processors) * 4 * kMiB + 4 * kMiB;
    EXPECT_TRUE(WaitFor([&] { return CommittedPrivateBytes() >= committedBefore + load; }, kDeadline));
    EXPECT_LE(CommittedPrivateBytes(), committedBefore + load + slack)
        << "committed: " << (CommittedPrivateBytes() - committedBefore) / kMiB << " MiB more than before";

    Stress.memoryOn = 0;
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == int(before.size()); }, kDeadline))
        << "threads: " << CountProcessThreads() << ", before: " << before.size();
    EXPECT_TRUE(WaitFor([&] { return CommittedPrivateBytes() <= committedBefore + 4 * kMiB; }, kDeadline))
        << "still committed: " << (CommittedPrivateBytes() - committedBefore) / kMiB << " MiB more than before";
}

TEST_F(MemoryWorkerTest, AWorkerCopiesUntilItsPollFindsASwitchOffThenReleasesDestinationAndSource) {
    const MemoryBlockCalls recording = {RecordingAllocate, RecordingRelease, CountingCopy};
    Stress.masterOn = 0;
    EXPECT_EQ(RunMemoryLoad(recording), 1u);
    EXPECT_EQ(copies, 1) << "one copy even with a switch already off";
    ASSERT_EQ(allocated.size(), 2u);
    EXPECT_EQ(released, (std::vector<void*>{allocated[1], allocated[0]})) << "destination first, then source";

    ResetLoad();
    stopAfterCopies = 5;
    EXPECT_EQ(RunMemoryLoad(recording), 1u);
    EXPECT_EQ(copies, 5) << "the switches are read after each complete copy";
    EXPECT_EQ(blocksHeld, 0);
}

TEST_F(MemoryWorkerTest, AFailedAllocationEndsThatWorkerAloneAndSilently) {
    for (int failing : {0, 3}) {
        ResetLoad();
        failingAllocation = failing;  // a source block, or whichever block happens to be the fourth
        HANDLE workers[3];
        for (HANDLE& worker : workers)
            worker = CreateThread(nullptr, 0, RunCountingLoad, nullptr, 0, nullptr);
        DWORD ended = WaitForMultipleObjects(3, workers, FALSE, kDeadline) - WAIT_OBJECT_0;
        ASSERT_LT(ended, 3u);
        const int copiesAtFailure = copies;
        EXPECT_TRUE(WaitFor([&] { return copies >= copiesAtFailure + 6; }, kDeadline));
        for (DWORD i = 0; i < 3; ++i) {
            EXPECT_EQ(WaitForSingleObject(workers[i], 0), i == ended ? WAIT_OBJECT_0 : DWORD(WAIT_TIMEOUT))
                << "worker " << i << ", ended first: " << ended;
        }
        EXPECT_EQ(GetThreadId(workers[ended]), failedThread.load());
        EXPECT_EQ(copiesByFailedThread, 0);
        EXPECT_EQ(blocksHeld, 4) << "the failed worker gave back the block it did get";
        EXPECT_EQ(Stress.memoryOn, 1);

        Stress.memoryOn = 0;
        EXPECT_EQ(WaitForMultipleObjects(3, workers, TRUE, kDeadline), WAIT_OBJECT_0);
        for (HANDLE worker : workers)
            CloseHandle(worker);
        EXPECT_EQ(blocksHeld, 0);
    }
}

namespace {

DWORD WINAPI VerifiedHeapLoad(LPVOID run) {
    return RunVerifiedMemoryLoad(kHeapMemoryCalls, *static_cast<WorkerRun*>(run));
}

}  // namespace

TEST_F(MemoryWorkerTest, AFlippedBitIsRecordedWithItsOffsetAndTheWorkersProcessorOnceOnly) {
    const int processor = ProcessorCount() > 1 ? 1 : 0;
    WorkerRun run = BeginTestRun(1 << int(LoadType::Memory));
    TestFaults.memoryFlipOffset = 0x123457;
    TestFaults.memoryFlipBit = 5;
    TestFaults.memoryBitFlips = 1;
    HANDLE worker = CreateThread(nullptr, 0, VerifiedHeapLoad, &run, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(worker, nullptr);
    SetThreadAffinityMask(worker, DWORD_PTR(1) << processor);
    ResumeThread(worker);
    EXPECT_TRUE(
        WaitFor([] { return CurrentRun.errorCount.load() > 0 && TestFaults.memoryBitFlips.load() == 0; }, kDeadline));
    // Some more passes over the restored blocks must find nothing new.
    Sleep(300);
    Stress.memoryOn = 0;
    EXPECT_EQ(WaitForSingleObject(worker, kDeadline), WAIT_OBJECT_0);
    CloseHandle(worker);
    EndTestRun();
    ASSERT_EQ(CurrentRun.errorCount.load(), 1);
    const RunError& error = CurrentRun.errors[0];
    EXPECT_EQ(error.source, ErrorSource::Memory);
    EXPECT_EQ(error.offset, 0x123450u) << "the 8-byte word that holds the flipped byte";
    EXPECT_EQ(error.expected ^ error.actual, 1ull << (7 * 8 + 5));
    EXPECT_EQ(error.processor, processor);
    EXPECT_EQ(CurrentRun.loadRan[int(LoadType::Memory)].load(), 1);
}

TEST_F(MemoryWorkerTest, VerifiedWorkersOnEveryProcessorFindNothingInACleanRun) {
    BeginTestRun(1 << int(LoadType::Memory));
    const int threadsBefore = CountProcessThreads();
    StartLoadWorkers(nullptr, LoadType::Memory);
    Sleep(2000);
    Stress.memoryOn = 0;
    EXPECT_TRUE(WaitFor([&] { return CountProcessThreads() == threadsBefore; }, kDeadline));
    EndTestRun();
    EXPECT_EQ(CurrentRun.errorCount.load(), 0);
    EXPECT_EQ(CurrentRun.loadRan[int(LoadType::Memory)].load(), 1);
    EXPECT_EQ(RunVerdict(CurrentRun), Verdict::Passed);
}
