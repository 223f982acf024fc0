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
    src/i18n/TextArguments.cpp
    src/i18n/TranslationText.cpp
    src/report/CivilTime.cpp
    src/report/DiskFigures.cpp
    src/report/ProcessorRates.cpp
    src/report/ReportText.cpp
    src/report/RunFolder.cpp
    src/report/RunHtml.cpp
    src/report/RunJson.cpp
    src/report/RunLog.cpp
    src/report/RunLogFile.cpp
    src/report/RunSummary.cpp
    src/run/CommandLine.cpp
    src/run/HeavyCommandLine.cpp
    src/run/HeavyStatusText.cpp
    src/run/OptionsMenu.cpp
    src/run/ProcessorFrequency.cpp
    src/run/ProcessorWatch.cpp
    src/run/RunOptions.cpp
    src/run/RunRecord.cpp
    src/run/RunStatusText.cpp
    src/run/SelfTest.cpp
    src/run/WheaEvent.cpp
    src/settings/IniValue.cpp
    src/stress/Crc32c.cpp
    src/stress/CpuWorker.cpp
    src/stress/DiskFileName.cpp
    src/stress/DiskSector.cpp
    src/stress/DiskSpace.cpp
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
    src/stress/RealDiskLoad.cpp
    src/stress/StressState.cpp
    src/stress/VerifiedCopy.cpp
    ${KV_LANGUAGE_RESOURCE}
    ${KV_EXTENDED_LANGUAGE_RESOURCE}
)
target_include_directories(kestrovane_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)

# nlohmann/json (header-only) writes the JSON summary. The folder holding nlohmann/json.hpp: Debian's
# nlohmann-json3-dev puts it in /usr/include. Only the nlohmann folder is copied into the build tree, so that a
# cross compiler never searches the host's own system headers. Empty: find_package (vcpkg's nlohmann-json).
if(CMAKE_HOST_WIN32)
    set(KV_JSON_INCLUDE_DEFAULT "")
else()
    set(KV_JSON_INCLUDE_DEFAULT "/usr/include")
endif()
set(KESTROVANE_JSON_INCLUDE "${KV_JSON_INCLUDE_DEFAULT}" CACHE PATH "Folder that holds nlohmann/json.hpp")
if(KESTROVANE_JSON_INCLUDE)
    if(NOT EXISTS "${KESTROVANE_JSON_INCLUDE}/nlohmann/json.hpp")
        message(FATAL_ERROR "nlohmann/json.hpp not found in ${KESTROVANE_JSON_INCLUDE}: install nlohmann-json3-dev "
                            "or pass -DKESTROVANE_JSON_INCLUDE=<folder holding nlohmann/json.hpp>")
    endif()
    file(COPY "${KESTROVANE_JSON_INCLUDE}/nlohmann" DESTINATION "${CMAKE_BINARY_DIR}/third_party/include")
    target_include_directories(kestrovane_portable SYSTEM PUBLIC "${CMAKE_BINARY_DIR}/third_party/include")
else()
    find_package(nlohmann_json 3.10 CONFIG REQUIRED)
    target_link_libraries(kestrovane_portable PUBLIC nlohmann_json::nlohmann_json)
endif()

# The floating-point kernels keep every accumulator and constant in a register only when optimised; built without
# optimisation (the sanitizer build) they would measure and test memory traffic instead.
if(NOT MSVC)
    set_source_files_properties(src/stress/FmaKernelAvx2.cpp src/stress/FmaKernelAvx512.cpp
        src/stress/FmaKernelSse2.cpp PROPERTIES COMPILE_OPTIONS "-O2")
endif()
