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
    src/run/RunOptions.cpp
    src/run/RunRecord.cpp
    src/run/RunStatusText.cpp
    src/run/SelfTest.cpp
    src/run/WheaEvent.cpp
    src/settings/IniValue.cpp
    src/stress/CpuWorker.cpp
    src/stress/PaintWorker.cpp
    src/stress/StressState.cpp
    src/stress/VerifiedCopy.cpp
    ${KV_LANGUAGE_RESOURCE}
    ${KV_EXTENDED_LANGUAGE_RESOURCE}
)
target_include_directories(kestrovane_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
