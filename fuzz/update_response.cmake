# The update check's answer handling: whatever a server sends, in whatever pieces.
add_executable(fuzz_update_response
    ${CMAKE_CURRENT_SOURCE_DIR}/update_response_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/update/update.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/tcp_connection.cpp)
target_include_directories(fuzz_update_response PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_compile_options(fuzz_update_response PRIVATE ${pictorb_fuzz_flags})
target_link_options(fuzz_update_response PRIVATE ${pictorb_fuzz_flags})
target_link_libraries(fuzz_update_response PRIVATE Threads::Threads)
