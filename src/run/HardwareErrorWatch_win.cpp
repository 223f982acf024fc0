// The subscription to the WHEA logger's events through wevtapi.dll, loaded at run time and rendered to XML.
#include "run/HardwareErrorWatch_win.h"

#include <winevt.h>

#include <atomic>
#include <vector>

#include "run/RunNotice_win.h"
#include "run/WheaEvent.h"

namespace {

using SubscribeFunction =
    EVT_HANDLE(WINAPI*)(EVT_HANDLE, HANDLE, LPCWSTR, LPCWSTR, EVT_HANDLE, PVOID, EVT_SUBSCRIBE_CALLBACK, DWORD);
using RenderFunction = BOOL(WINAPI*)(EVT_HANDLE, EVT_HANDLE, DWORD, DWORD, PVOID, PDWORD, PDWORD);
using CloseFunction = BOOL(WINAPI*)(EVT_HANDLE);

constexpr wchar_t kQuery[] = L"*[System[Provider[@Name='Microsoft-Windows-WHEA-Logger']]]";

struct EventLogApi {
    HMODULE module = nullptr;
    SubscribeFunction subscribe = nullptr;
    RenderFunction render = nullptr;
    CloseFunction close = nullptr;
};

// The callback runs on a thread of the system's pool: what it reads of the watch is atomic.
struct Watch {
    std::atomic<HWND> window{nullptr};
    std::atomic<uint32_t> runId{0};
    std::atomic<int64_t (*)()> clock{nullptr};
    EVT_HANDLE subscription = nullptr;
};

EventLogApi api;
Watch watch;

template <typename Function>
Function Lookup(const char* name) {
    // Through void*: FARPROC's declared type differs from the function's, which GCC warns about on a direct cast.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(api.module, name)));
}

bool LoadEventLogApi() {
    if (api.subscribe && api.render && api.close)
        return true;
    if (!api.module)
        api.module = LoadLibraryW(L"wevtapi.dll");
    if (!api.module)
        return false;
    api.subscribe = Lookup<SubscribeFunction>("EvtSubscribe");
    api.render = Lookup<RenderFunction>("EvtRender");
    api.close = Lookup<CloseFunction>("EvtClose");
    return api.subscribe && api.render && api.close;
}

// EvtRender tells the size it needs when the buffer is too small; the second call gets it.
bool RenderXml(EVT_HANDLE event, std::vector<wchar_t>& text) {
    DWORD used = 0, properties = 0;
    text.resize(4096);
    if (api.render(nullptr, event, EvtRenderEventXml, DWORD(text.size() * sizeof(wchar_t)), text.data(), &used,
                   &properties))
        return true;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || used / sizeof(wchar_t) > kMaxEventXmlUnits)
        return false;
    text.resize(used / sizeof(wchar_t) + 1);
    return api.render(nullptr, event, EvtRenderEventXml, DWORD(text.size() * sizeof(wchar_t)), text.data(), &used,
                      &properties) != 0;
}

DWORD WINAPI OnLoggedEvent(EVT_SUBSCRIBE_NOTIFY_ACTION action, PVOID, EVT_HANDLE event) {
    if (action != EvtSubscribeActionDeliver)
        return ERROR_SUCCESS;
    std::vector<wchar_t> text;
    if (!RenderXml(event, text))
        return ERROR_SUCCESS;
    const auto clock = watch.clock.load(std::memory_order_acquire);
    const int64_t now = clock ? clock() - CurrentRun.startMilliseconds.load(std::memory_order_relaxed) : 0;
    size_t length = 0;
    while (length < text.size() && text[length])
        ++length;
    RunError error;
    HandleLoggedEventXml(watch.window.load(std::memory_order_acquire), watch.runId.load(std::memory_order_acquire),
                         std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), length), now, error);
    return ERROR_SUCCESS;
}

}  // namespace

HardwareLogState StartHardwareErrorWatch(HWND window, uint32_t runId, int64_t (*clock)()) {
    StopHardwareErrorWatch();
    watch.window.store(window, std::memory_order_release);
    watch.runId.store(runId, std::memory_order_release);
    watch.clock.store(clock, std::memory_order_release);
    HardwareLogState state = HardwareLogState::NotAvailable;
    if (LoadEventLogApi()) {
        watch.subscription = api.subscribe(nullptr, nullptr, L"System", kQuery, nullptr, nullptr, OnLoggedEvent,
                                           EvtSubscribeToFutureEvents);
        if (watch.subscription)
            state = HardwareLogState::Watching;
    }
    SetHardwareLogState(state);
    return state;
}

void StopHardwareErrorWatch() {
    if (watch.subscription && api.close)
        api.close(watch.subscription);
    watch.subscription = nullptr;
}

bool HandleLoggedEventXml(HWND window,
                          uint32_t runId,
                          std::u16string_view xml,
                          int64_t millisecondsSinceStart,
                          RunError& error) {
    LoggedEvent event;
    if (!ParseEventXml(xml, event) || !IsHardwareErrorEvent(event))
        return false;
    DescribeHardwareError(event, error);
    error.millisecondsSinceStart = millisecondsSinceStart;
    if (RecordRunError(runId, error))
        PostRunErrorNotice(window);
    return true;
}
