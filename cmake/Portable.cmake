# The code that needs no Windows call: built for every target, tested natively under the sanitizers.
include(${CMAKE_CURRENT_LIST_DIR}/LanguageResource.cmake)

add_library(kestrovane_portable STATIC
    src/app/ClientArea.cpp
    src/app/InfoText.cpp
    src/app/ShellFormat.cpp
    src/base/BoundedText.cpp
    src/i18n/LanguageMenuItems.cpp
    src/i18n/LanguageTables.cpp
    src/i18n/Lzari.cpp
    src/i18n/TranslationText.cpp
    src/run/OptionsMenu.cpp
    src/run/ProcessorFrequency.cpp
    src/run/ProcessorWatch.cpp
    src/run/RunRecord.cpp
    src/settings/IniValue.cpp
    src/stress/CpuWorker.cpp
    src/stress/FmaKernel.cpp
    src/stress/FmaKernelAvx2.cpp
    src/stress/FmaKernelAvx512.cpp
    src/stress/FmaKernelSse2.cpp
    src/stress/HeavyCpu.cpp
    src/stress/HeavyOptions.cpp
    src/stress/InstructionSet.cpp
    src/stress/MemoryShare.cpp
    src/stress/PaintWorker.cpp
    src/stress/ProcessorTopology.cpp
    src/stress/StressState.cpp
    ${KV_LANGUAGE_RESOURCE}
    ${KV_EXTENDED_LANGUAGE_RESOURCE}
)
target_include_directories(kestrovane_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)

# The floating-point kernels keep every accumulator and constant in a register only when optimised; built without
# optimisation (the sanitizer build) they would measure and test memory traffic instead.
if(NOT MSVC)
    set_source_files_properties(src/stress/FmaKernelAvx2.cpp src/stress/FmaKernelAvx512.cpp
        src/stress/FmaKernelSse2.cpp PROPERTIES COMPILE_OPTIONS "-O2")
endif()
