# The settings file and profile files: text users edit by hand. The parsers and the settings
# table are compiled in directly so the fuzzer instruments them.
pictorb_add_fuzzer(fuzz_settings_file
    ${CMAKE_CURRENT_SOURCE_DIR}/settings_file_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/settings/keywords.cpp
    ${PROJECT_SOURCE_DIR}/src/settings/settings_fields.cpp
    ${PROJECT_SOURCE_DIR}/src/settings/settings_file.cpp
    ${PROJECT_SOURCE_DIR}/src/text/builtin_texts.cpp
    ${PROJECT_SOURCE_DIR}/src/text/ini.cpp
    ${PROJECT_SOURCE_DIR}/src/text/texts.cpp
    ${PROJECT_SOURCE_DIR}/src/text/utf8.cpp
    ${PROJECT_SOURCE_DIR}/src/formats/formats.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/files.cpp
    ${PROJECT_SOURCE_DIR}/src/cli/options.cpp
    ${PROJECT_SOURCE_DIR}/src/cli/profiles.cpp)
