// Saves a screenshot at the first failed check of each end-to-end test, while the program still shows what
// went wrong (by the test's end it may have been closed).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "e2e/E2eSupport.h"

namespace {

class FailureScreenshots : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { saved_ = false; }

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (saved_ || !result.failed())
            return;
        saved_ = true;
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name =
            test ? std::string(test->test_suite_name()) + "." + test->name() : std::string("outside-a-test");
        const std::wstring path = SaveFailureScreenshot(name);
        std::printf("screenshot of the failure: %ls\n", path.empty() ? L"(none could be saved)" : path.c_str());
    }

    bool saved_ = false;
};

// Registered before main runs the tests; GoogleTest owns and deletes the listener.
const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FailureScreenshots);
    return true;
}();

}  // namespace
