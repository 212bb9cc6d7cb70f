# cmake -DZIP=<theme.zip> -P check_theme.cmake
# Fails (and removes the archive, so the next build packs it again) when theme.cfg lacks CR LF
# line ends or a display name the theme list can read, or names an image the archive lacks.
cmake_minimum_required(VERSION 3.25)
set(control_names Convert InFiles InFolder)
set(icon_names New Add InFiles InFolder OutFolder OutFormat FavFolder ImportFiles ExportFiles
    Exit Copy Delete SelectAll Convert Error Preferences CustomConverter Help Email Web Updates
    About Preview)

function(theme_fail message)
    file(REMOVE ${ZIP})
    message(FATAL_ERROR "${ZIP}: ${message}")
endfunction()

execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP}
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    theme_fail("cannot be listed")
endif()
string(REPLACE "\n" ";" entries "${listing}")

set(unpack_dir ${ZIP}.check)
file(REMOVE_RECURSE ${unpack_dir})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${unpack_dir} PATTERNS theme.cfg)
if(NOT EXISTS ${unpack_dir}/theme.cfg)
    theme_fail("has no theme.cfg")
endif()
# file(READ) drops CRs, so the line ends are checked on the bytes.
file(READ ${unpack_dir}/theme.cfg hex HEX)
file(READ ${unpack_dir}/theme.cfg cfg)
file(READ ${unpack_dir}/theme.cfg head LIMIT 255)
file(REMOVE_RECURSE ${unpack_dir})

# A key is only found after CR LF, and not at all on a last line without one.
string(REGEX MATCHALL ".." bytes "${hex}")
list(JOIN bytes " " bytes)
string(REPLACE "0d 0a" "crlf" bytes "${bytes}")
if(" ${bytes} " MATCHES " 0[ad] " OR NOT bytes MATCHES "crlf$")
    theme_fail("theme.cfg needs CR LF at the end of every line")
endif()
# The theme list reads only the first 255 bytes for the display name.
if(NOT head MATCHES "\\[Theme\\]\n(.*\n)?Name=[^\n]*[^ \t\n]")
    theme_fail("theme.cfg has no Name in [Theme] within its first 255 bytes")
endif()

# Group -> key -> value, the value being the text between the first and second "=".
string(REPLACE "\n" ";" lines "${cfg}")
set(group "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\\[(.+)\\]$")
        set(group ${CMAKE_MATCH_1})
    elseif(line MATCHES "^([^=]+)=([^=]*)")
        string(STRIP "${CMAKE_MATCH_2}" value)
        set(value_${group}_${CMAKE_MATCH_1} "${value}")
    endif()
endforeach()

function(check_group group names sizes)
    foreach(name IN LISTS names)
        set(value "${value_${group}_${name}}")
        if(value STREQUAL "")
            theme_fail("theme.cfg has no ${name} in [${group}]")
        endif()
        string(TOLOWER "${value}" lower)
        foreach(size IN LISTS sizes)
            if(lower MATCHES "\\.png")
                set(entry "${value}")
            else()
                set(entry "${value}_${size}.png")
            endif()
            if(NOT entry IN_LIST entries)
                theme_fail("lacks ${entry} for ${name} in [${group}]")
            endif()
        endforeach()
    endforeach()
endfunction()

check_group(Buttons "${control_names}" "16")
check_group(Icons "${icon_names}" "16;24;32;48;64")
