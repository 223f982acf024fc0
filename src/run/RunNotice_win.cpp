// One pending error notice at a time from any number of workers to the main window.
#include "run/RunNotice_win.h"

#include <atomic>

namespace {

std::atomic<int32_t> noticePending{0};

}  // namespace

void PostRunErrorNotice(HWND window) {
    if (!window || noticePending.exchange(1, std::memory_order_relaxed) != 0)
        return;
    // A full queue drops the notice; the one-second timer shows the errors all the same.
    if (!PostMessageW(window, kRunErrorMessage, 0, 0))
        noticePending.store(0, std::memory_order_relaxed);
}

void TakeRunErrorNotice() {
    noticePending.store(0, std::memory_order_relaxed);
}
