# kestrovane.exe and the Windows half of the program, kept in a library the Windows tests link too.
enable_language(RC)
if(MINGW)
    # One self-contained executable: no libstdc++, libgcc or winpthread DLL beside it.
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

add_library(kestrovane_core STATIC
    src/app/ClientPaint.cpp
    src/app/FolderPicker.cpp
    src/app/LanguageMenu.cpp
    src/app/Launch.cpp
    src/app/MainWindow.cpp
    src/app/Startup.cpp
    src/app/RunOutput.cpp
    src/app/RunStatus.cpp
    src/app/SystemMenu.cpp
    src/app/UiHandles.cpp
    src/app/WindowProc.cpp
    src/i18n/LanguageTables_win.cpp
    src/i18n/TranslationFiles_win.cpp
    src/report/HeavyMonitor_win.cpp
    src/report/MachineInfo_win.cpp
    src/report/RunFiles_win.cpp
    src/report/RunFolder_win.cpp
    src/run/ConsoleOutput_win.cpp
    src/settings/IniStore_win.cpp
    src/stress/StressControl_win.cpp
    src/run/HardwareErrorWatch_win.cpp
    src/run/ProcessorFrequency_win.cpp
    src/run/RunControl_win.cpp
    src/run/RunNotice_win.cpp
    src/run/SelfTest_win.cpp
    src/stress/CpuWorker_win.cpp
    src/stress/DiskLeftovers_win.cpp
    src/stress/LoadCheck_win.cpp
    src/stress/DiskWorker.cpp
    src/stress/MemoryWorker.cpp
    src/stress/HeavyCpu_win.cpp
    src/stress/HeavyMemory_win.cpp
    src/stress/HeavyOptions_win.cpp
    src/stress/PaintWorker_win.cpp
    src/stress/ProcessorTopology_win.cpp
    src/stress/RealDiskWorker_win.cpp
)
target_link_libraries(kestrovane_core PUBLIC kestrovane_portable comctl32 shell32 comdlg32 gdi32 user32 advapi32 ole32 uuid)
target_compile_definitions(kestrovane_core PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
if(NOT MSVC)
    # The glue reads char16_t text through wchar_t pointers (see src/base/WideText.h).
    target_compile_options(kestrovane_core PUBLIC -fno-strict-aliasing)
endif()

add_executable(kestrovane WIN32
    src/app/WinMain.cpp
    resources/kestrovane.rc
)
target_link_libraries(kestrovane PRIVATE kestrovane_core)
if(MINGW)
    target_link_options(kestrovane PRIVATE -municode)
endif()
