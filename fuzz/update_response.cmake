# The update check's answer handling: whatever a server sends, in whatever pieces.
pictorb_add_fuzzer(fuzz_update_response
    ${CMAKE_CURRENT_SOURCE_DIR}/update_response_fuzz.cpp
    ${PROJECT_SOURCE_DIR}/src/update/update.cpp
    ${PROJECT_SOURCE_DIR}/src/platform/tcp_connection.cpp
    ${PROJECT_SOURCE_DIR}/src/text/utf8.cpp)
target_link_libraries(fuzz_update_response PRIVATE Threads::Threads)
