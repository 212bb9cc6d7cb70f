# The document writer: fuzzed pictures of every depth, with and without packed rows and an
# alpha channel, written and read back with FreeImage.
pictorb_add_fuzzer(fuzz_psd_writer
    ${CMAKE_CURRENT_SOURCE_DIR}/psd_writer_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/pipeline/psd_writer.cpp
    ${PROJECT_SOURCE_DIR}/src/pipeline/psd_planes.cpp
    ${PROJECT_SOURCE_DIR}/src/pipeline/psd_layout.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/output_file.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/interrupt_cleanup.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/picture_memory.cpp
    ${PROJECT_SOURCE_DIR}/src/text/utf8.cpp)
target_link_libraries(fuzz_psd_writer PRIVATE FreeImage::FreeImage)
