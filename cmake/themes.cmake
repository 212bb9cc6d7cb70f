# Shipped themes: every gfx/<base>/ folder of SVG drawings and a theme.cfg becomes the archive
# gfx/<base>.zip in the build folder, beside the program that looks for it there, and in
# share/pictorb/gfx/ when installed. Each <stem>.svg is rendered at every toolbar size as
# <stem>_16/_24/_32/_48/_64.png; a <stem>_large.svg (the Convert button's picture) as
# <stem>_large.png at 96 pixels.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(PICTORB_THEME_BASES handdrawn contrast)
set(PICTORB_THEME_DIR ${CMAKE_BINARY_DIR}/gfx)
set(PICTORB_THEME_ZIPS)
file(MAKE_DIRECTORY ${PICTORB_THEME_DIR})

foreach(base IN LISTS PICTORB_THEME_BASES)
    set(source_dir ${CMAKE_CURRENT_SOURCE_DIR}/gfx/${base})
    set(stage_dir ${CMAKE_CURRENT_BINARY_DIR}/gfx-stage/${base})
    set(zip ${PICTORB_THEME_DIR}/${base}.zip)
    file(MAKE_DIRECTORY ${stage_dir})

    file(GLOB svgs CONFIGURE_DEPENDS ${source_dir}/*.svg)
    list(SORT svgs)
    set(entries theme.cfg)
    set(staged ${stage_dir}/theme.cfg)
    add_custom_command(OUTPUT ${stage_dir}/theme.cfg
        COMMAND ${CMAKE_COMMAND} -E copy ${source_dir}/theme.cfg ${stage_dir}/theme.cfg
        DEPENDS ${source_dir}/theme.cfg
        VERBATIM)
    foreach(svg IN LISTS svgs)
        get_filename_component(stem ${svg} NAME_WE)
        if(stem MATCHES "_large$")
            set(renders "${stem}.png:96")
        else()
            set(renders)
            foreach(size IN ITEMS 16 24 32 48 64)
                list(APPEND renders "${stem}_${size}.png:${size}")
            endforeach()
        endif()
        foreach(render IN LISTS renders)
            string(REPLACE ":" ";" parts ${render})
            list(GET parts 0 png)
            list(GET parts 1 size)
            add_custom_command(OUTPUT ${stage_dir}/${png}
                COMMAND ${RSVG_CONVERT} --width=${size} --height=${size}
                        --output=${stage_dir}/${png} ${svg}
                DEPENDS ${svg}
                VERBATIM)
            list(APPEND entries ${png})
            list(APPEND staged ${stage_dir}/${png})
        endforeach()
    endforeach()

    # Entry names without folders: the loader asks for "new_16.png", not "handdrawn/new_16.png".
    # The check removes the archive again when theme.cfg names an entry it lacks.
    add_custom_command(OUTPUT ${zip}
        COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip --mtime=2020-01-01 ${entries}
        COMMAND ${CMAKE_COMMAND} -DZIP=${zip} -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_theme.cmake
        DEPENDS ${staged} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_theme.cmake
        WORKING_DIRECTORY ${stage_dir}
        COMMENT "Packing theme ${base}.zip"
        VERBATIM)
    list(APPEND PICTORB_THEME_ZIPS ${zip})
endforeach()

add_custom_target(pictorb_shipped_themes ALL DEPENDS ${PICTORB_THEME_ZIPS})
install(FILES ${PICTORB_THEME_ZIPS} DESTINATION share/pictorb/gfx)

# The program is defined after this file is included; hook the themes in once it exists so a
# fresh build folder always has gfx/ beside pictorbcmd.
function(pictorb_themes_before_program)
    if(TARGET pictorbcmd)
        add_dependencies(pictorbcmd pictorb_shipped_themes)
    endif()
endfunction()
cmake_language(DEFER CALL pictorb_themes_before_program)
