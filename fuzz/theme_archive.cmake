# Theme archives read from memory: the zip listing, theme.cfg and the image entries. The
# theme sources are compiled in directly; libarchive and libpng are the system's.
pictorb_add_fuzzer(fuzz_theme_archive
    theme_archive_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/icon_sets.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/ini_value.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/png_decoder.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/theme_loader.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/zip_reader.cpp)
target_link_libraries(fuzz_theme_archive PRIVATE PkgConfig::LIBARCHIVE PNG::PNG)

# Writes small theme archives (complete, partial, hostile) with the tests' zip and PNG makers.
add_executable(make_theme_archive_seeds make_theme_archive_seeds.cpp
    ${PROJECT_SOURCE_DIR}/tests/themes/theme_fixtures.cpp
    ${PROJECT_SOURCE_DIR}/src/themes/icon_sets.cpp)
target_include_directories(make_theme_archive_seeds PRIVATE
    ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(make_theme_archive_seeds PRIVATE PkgConfig::LIBARCHIVE ZLIB::ZLIB)
