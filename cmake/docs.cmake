# The man page, the bash completion and the HTML manual, generated at build time from the
# texts in docs/ and from the option, keyword and format tables the program itself uses
# (tools/docgen links them), so that the documents cannot drift from the program.

file(GLOB docgen_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tools/docgen/*.cpp)
list(REMOVE_ITEM docgen_sources ${CMAKE_CURRENT_SOURCE_DIR}/tools/docgen/main.cpp)
add_library(pictorb_docgen STATIC ${docgen_sources})
target_include_directories(pictorb_docgen PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/tools)
target_link_libraries(pictorb_docgen PUBLIC pictorb_app)

add_executable(pictorb_docgen_tool tools/docgen/main.cpp)
target_link_libraries(pictorb_docgen_tool PRIVATE pictorb_docgen)
set_target_properties(pictorb_docgen_tool PROPERTIES OUTPUT_NAME pictorb_docgen)

set(PICTORB_MAN_PAGE ${CMAKE_BINARY_DIR}/man/pictorbcmd.1)
set(PICTORB_COMPLETION ${CMAKE_BINARY_DIR}/completion/pictorbcmd)
set(PICTORB_MANUAL ${CMAKE_BINARY_DIR}/doc/index.html)
file(GLOB_RECURSE doc_texts CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/*.txt)
add_custom_command(
    OUTPUT ${PICTORB_MAN_PAGE} ${PICTORB_COMPLETION} ${PICTORB_MANUAL}
    COMMAND pictorb_docgen_tool ${CMAKE_CURRENT_SOURCE_DIR}/docs
            ${PICTORB_MAN_PAGE} ${PICTORB_COMPLETION} ${PICTORB_MANUAL}
    DEPENDS pictorb_docgen_tool ${doc_texts}
    COMMENT "Generating the man page, bash completion and manual"
    VERBATIM)
add_custom_target(pictorb_docs ALL DEPENDS ${PICTORB_MAN_PAGE} ${PICTORB_COMPLETION}
                                           ${PICTORB_MANUAL})
