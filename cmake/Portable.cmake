# The code that needs no Windows call: built for every target, tested natively under the sanitizers.
add_library(kestrovane_portable STATIC
    src/i18n/LanguageMenuItems.cpp
    src/i18n/TranslationText.cpp
    src/settings/IniValue.cpp
    src/stress/StressState.cpp
)
target_include_directories(kestrovane_portable PUBLIC ${PROJECT_SOURCE_DIR}/src)
