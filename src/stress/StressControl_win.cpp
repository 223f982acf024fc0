// The toggles of the five switches, the toolbar check states and the starting of load workers by type.
#include "stress/StressControl.h"

#include <commctrl.h>

#include "settings/IniStore.h"
#include "stress/HeavyCpu_win.h"
#include "stress/HeavyMemory_win.h"
#include "stress/HeavyOptions.h"
#include "stress/LoadCheck.h"
#include "stress/RealDiskWorker.h"
#include "stress/Workers.h"

namespace {

HWND switchToolbar = nullptr;

int32_t Inverted(int32_t value) {
    return value == 0 ? 1 : 0;
}

void Invert(std::atomic<int32_t>& value) {
    value.store(Inverted(value.load(kRelaxed)), kRelaxed);
}

// Normalises a stored switch: any non-zero value (a hand-edited "aggressiv=5") means on.
int32_t ReadSwitch(const wchar_t* key, const std::atomic<int32_t>& current) {
    return ReadSetting(key, current.load(kRelaxed)) != 0 ? 1 : 0;
}

// Creates a thread and lets go of its handle at once: nothing ever waits for, joins or counts a worker.
void StartThread(LPTHREAD_START_ROUTINE entry, HWND window, int priority = THREAD_PRIORITY_NORMAL) {
    HANDLE thread = CreateThread(nullptr, 0, entry, window, 0, nullptr);
    if (!thread)
        return;
    if (priority != THREAD_PRIORITY_NORMAL)
        SetThreadPriority(thread, priority);
    CloseHandle(thread);
}

void StartMemoryWorkers(HWND window) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const int processors = int(info.dwNumberOfProcessors);
    for (int i = 0; i < processors; ++i) {
        HANDLE thread = CreateThread(nullptr, 0, MemoryWorker, window, CREATE_SUSPENDED, nullptr);
        if (!thread)
            continue;
        // The mask names one processor; beyond the mask's width the thread simply runs unbound.
        if (i < int(sizeof(DWORD_PTR) * 8))
            SetThreadAffinityMask(thread, DWORD_PTR(1) << i);
        ResumeThread(thread);
        CloseHandle(thread);
    }
}

int32_t SelectedLoads() {
    return Stress.paintOn.load(kRelaxed) << int(LoadType::Paint) | Stress.cpuOn.load(kRelaxed) << int(LoadType::Cpu) |
           Stress.diskOn.load(kRelaxed) << int(LoadType::Disk) |
           Stress.memoryOn.load(kRelaxed) << int(LoadType::Memory);
}

// The disk load the run began with; a change of the setting during a run waits for the next one.
bool RealDiskForThisRun() {
    const int32_t run = WorkerRunNow.realDisk.load(kRelaxed);
    return run >= 0 ? run != 0 : DiskChoice.mode.load(kRelaxed) == int32_t(DiskLoadMode::Real);
}

// The run begins before the first worker starts, so that every worker of this run joins it.
void BeginLoadRun(HWND window) {
    if (!StressRunHooks.begin)
        return;
    const WorkerRun run = StressRunHooks.begin(window, SelectedLoads());
    WorkerRunNow.verify.store(run.verify ? 1 : 0, kRelaxed);
    WorkerRunNow.realDisk.store(run.realDisk ? 1 : 0, kRelaxed);
    WorkerRunNow.runId.store(run.runId, std::memory_order_release);
}

void ToggleLoadSwitch(HWND window, std::atomic<int32_t>& loadSwitch, const wchar_t* key, LoadType type) {
    Invert(loadSwitch);
    SyncStressControls(window);
    WriteSetting(key, loadSwitch.load(kRelaxed));
    if (loadSwitch.load(kRelaxed) == 1 && Stress.masterOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, type);
}

}  // namespace

void SetSwitchToolbar(HWND toolbar) {
    switchToolbar = toolbar;
}

void LoadStressSettings() {
    Stress.paintOn.store(ReadSwitch(L"paint", Stress.paintOn), kRelaxed);
    Stress.memoryOn.store(ReadSwitch(L"mem", Stress.memoryOn), kRelaxed);
    Stress.cpuOn.store(ReadSwitch(L"aggressiv", Stress.cpuOn), kRelaxed);
    Stress.diskOn.store(ReadSwitch(L"hd", Stress.diskOn), kRelaxed);
    Stress.paintMode.store(ReadSetting(L"paint_mode", 0), kRelaxed);
    LoadHeavySettings();
    LoadDiskLoadSettings();
}

void ToggleCpuLoad(HWND window) {
    ToggleLoadSwitch(window, Stress.cpuOn, L"aggressiv", LoadType::Cpu);
}

void TogglePaintLoad(HWND window) {
    ToggleLoadSwitch(window, Stress.paintOn, L"paint", LoadType::Paint);
}

void ToggleDiskLoad(HWND window) {
    ToggleLoadSwitch(window, Stress.diskOn, L"hd", LoadType::Disk);
}

void ToggleMemoryLoad(HWND window) {
    // The memory switch is stored before the controls are synchronised, unlike the other three.
    Invert(Stress.memoryOn);
    WriteSetting(L"mem", Stress.memoryOn.load(kRelaxed));
    SyncStressControls(window);
    if (Stress.memoryOn.load(kRelaxed) == 1 && Stress.masterOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, LoadType::Memory);
}

void ToggleMasterSwitch(HWND window) {
    Invert(Stress.masterOn);
    const bool noLoadSelected = Stress.paintOn.load(kRelaxed) == 0 && Stress.cpuOn.load(kRelaxed) == 0 &&
                                Stress.diskOn.load(kRelaxed) == 0 && Stress.memoryOn.load(kRelaxed) == 0;
    // Switching on with nothing selected runs the paint load, for this run only: the choice is not stored.
    if (Stress.masterOn.load(kRelaxed) == 1 && noLoadSelected)
        Stress.paintOn.store(1, kRelaxed);
    SyncStressControls(window);
    if (Stress.masterOn.load(kRelaxed) == 0) {
        if (StressRunHooks.end)
            StressRunHooks.end(window);
        return;
    }
    BeginLoadRun(window);
    if (Stress.diskOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, LoadType::Disk);
    if (Stress.cpuOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, LoadType::Cpu);
    if (Stress.paintOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, LoadType::Paint);
    if (Stress.memoryOn.load(kRelaxed) == 1)
        StartLoadWorkers(window, LoadType::Memory);
}

void SyncStressControls(HWND window) {
    if (switchToolbar) {
        const struct {
            int command;
            const std::atomic<int32_t>& value;
        } checks[] = {
            {kCommandCpu, Stress.cpuOn},       {kCommandPaint, Stress.paintOn},   {kCommandDisk, Stress.diskOn},
            {kCommandMemory, Stress.memoryOn}, {kCommandMaster, Stress.masterOn},
        };
        for (const auto& check : checks)
            SendMessageW(switchToolbar, TB_CHECKBUTTON, check.command, MAKELPARAM(check.value.load(kRelaxed), 0));
    }
    // While the paint load runs it owns the client area: a repaint would only flicker over its strips.
    if (Stress.paintOn.load(kRelaxed) == 1 && Stress.masterOn.load(kRelaxed) == 1)
        return;
    ComposeStressStatus();
    // A null window would make RedrawWindow repaint the whole desktop.
    if (!window)
        return;
    RECT client;
    GetClientRect(window, &client);
    RedrawWindow(window, &client, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    PostMessageW(window, WM_PAINT, 0, 0);
}

void StartLoadWorkers(HWND window, LoadType type) {
    switch (type) {
        case LoadType::Paint:
            StartThread(PaintWorker, window, THREAD_PRIORITY_HIGHEST);
            break;
        case LoadType::Cpu:
            // The heavy load's workers replace the additions' for this start; the additions keep their count.
            if (HeavyCpuSelected()) {
                StartHeavyCpuWorkers(window, Heavy.cycleMilliseconds.load(kRelaxed));
                break;
            }
            for (int created = 0; created < Stress.processorCount.load(kRelaxed); ++created)
                StartThread(CpuWorker, window);
            break;
        case LoadType::Disk:
            // The real-disk load is a setting of its own; the temporary-file load stays the default.
            if (RealDiskForThisRun())
                StartRealDiskWorker(window);
            else
                StartThread(DiskWorker, window);
            break;
        case LoadType::Memory:
            if (SelectedMemorySize().kind != MemorySizeKind::Standard) {
                StartHeavyMemoryWorkers(window, SelectedMemorySize());
                break;
            }
            StartMemoryWorkers(window);
            break;
    }
}
