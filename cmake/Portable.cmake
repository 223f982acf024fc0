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
    src/run/RunRecord.cpp
    src/settings/IniValue.cpp
    src/stress/Crc32c.cpp
    src/stress/CpuWorker.cpp
    src/stress/DiskFileName.cpp
    src/stress/DiskSector.cpp
    src/stress/DiskSpace.cpp
    src/stress/PaintWorker.cpp
    src/stress/RealDiskLoad.cpp
    src/stress/StressState.cpp
    ${KV_LANGUAGE_RESOURCE}
    ${KV_EXTENDED_LANGUAGE_RESOURCE}
)
target_include_directories(kestrovane_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
