# The embedded language resource: tools/lzari_pack packs resources/language.txt into generated C++ source.
set(KV_LANGUAGE_TEXT ${PROJECT_SOURCE_DIR}/resources/language.txt)
set(KV_LANGUAGE_RESOURCE ${CMAKE_BINARY_DIR}/generated/LanguageResource.cpp)
set(KV_EXTENDED_LANGUAGE_TEXT ${PROJECT_SOURCE_DIR}/resources/language-extended.txt)
set(KV_EXTENDED_LANGUAGE_RESOURCE ${CMAKE_BINARY_DIR}/generated/ExtendedLanguageResource.cpp)
set(KV_PACKER_LIBRARY_SOURCES ${PROJECT_SOURCE_DIR}/tools/LzariEncoder.cpp ${PROJECT_SOURCE_DIR}/tools/Utf8Text.cpp)

# The compressor and the text conversion, for the packer and for the tests that check them.
add_library(kestrovane_packer STATIC ${KV_PACKER_LIBRARY_SOURCES})
target_include_directories(kestrovane_packer PUBLIC ${PROJECT_SOURCE_DIR}/tools)

if(CMAKE_CROSSCOMPILING)
    # The packer runs during the build, so it is compiled for the build host rather than for the target.
    find_program(KV_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
    set(KV_PACKER ${CMAKE_BINARY_DIR}/host/lzari_pack)
    add_custom_command(OUTPUT ${KV_PACKER}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
        COMMAND ${KV_HOST_CXX} -std=c++20 -O2 -o ${KV_PACKER}
                ${PROJECT_SOURCE_DIR}/tools/lzari_pack.cpp ${KV_PACKER_LIBRARY_SOURCES}
        DEPENDS ${PROJECT_SOURCE_DIR}/tools/lzari_pack.cpp ${KV_PACKER_LIBRARY_SOURCES}
                ${PROJECT_SOURCE_DIR}/tools/LzariEncoder.h ${PROJECT_SOURCE_DIR}/tools/Utf8Text.h
        COMMENT "Building the language packer for the build host"
        VERBATIM)
else()
    add_executable(lzari_pack ${PROJECT_SOURCE_DIR}/tools/lzari_pack.cpp)
    target_link_libraries(lzari_pack PRIVATE kestrovane_packer)
    set(KV_PACKER lzari_pack)
endif()

add_custom_command(OUTPUT ${KV_LANGUAGE_RESOURCE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND ${KV_PACKER} ${KV_LANGUAGE_TEXT} ${KV_LANGUAGE_RESOURCE}
    DEPENDS ${KV_PACKER} ${KV_LANGUAGE_TEXT}
    COMMENT "Packing the language text"
    VERBATIM)

add_custom_command(OUTPUT ${KV_EXTENDED_LANGUAGE_RESOURCE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    # The largest text: kExtendedTextBufferBytes less the terminator's two bytes.
    COMMAND ${KV_PACKER} ${KV_EXTENDED_LANGUAGE_TEXT} ${KV_EXTENDED_LANGUAGE_RESOURCE} kExtendedLanguageResource 1048574
    DEPENDS ${KV_PACKER} ${KV_EXTENDED_LANGUAGE_TEXT}
    COMMENT "Packing the extended language text"
    VERBATIM)
