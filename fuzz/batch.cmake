# A batch of fuzzed bitmaps converted by several workers at once: the input file map, the
# worker pool and the whole pipeline under the sanitizers. Drawing is not needed (no frame or
# watermark), so the drawing module is never looked for.
file(GLOB batch_fuzz_sources CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/pipeline/*.cpp ${PROJECT_SOURCE_DIR}/src/settings/*.cpp
    ${PROJECT_SOURCE_DIR}/src/formats/*.cpp ${PROJECT_SOURCE_DIR}/src/text/*.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/*.cpp)
pictorb_add_fuzzer(fuzz_batch ${CMAKE_CURRENT_SOURCE_DIR}/batch_fuzz.cpp ${batch_fuzz_sources})
target_compile_definitions(fuzz_batch PRIVATE PICTORB_BUILT_DRAWING="")
target_link_libraries(fuzz_batch PRIVATE FreeImage::FreeImage Threads::Threads ${CMAKE_DL_LIBS})
