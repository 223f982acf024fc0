// The processor load's busy loop called by several workers at once, run under ThreadSanitizer: the cells every
// call stores and reads and the sink every call writes are shared by all workers and must not race.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "stress/CpuWorker.h"

TEST(MegaAddThreads, WorkersCallingAtOnceShareTheCellsAndTheSinkWithoutARace) {
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
        workers.emplace_back([] {
            for (int call = 0; call < 20; ++call)
                EXPECT_EQ(MegaAdder.MegaAdd(1000), 0);
        });
    for (std::thread& worker : workers)
        worker.join();
}
