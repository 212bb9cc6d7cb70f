# Built-in icons: SVG sources in icons/ rendered to PNG at build time with rsvg-convert, the
# desktop interface's images compiled into pictorb_ui as Qt resources under ":/builtin/", and
# the program icon rendered for the hicolor icon theme.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(icon_source_dir ${CMAKE_CURRENT_SOURCE_DIR}/icons)
set(builtin_icon_dir ${CMAKE_CURRENT_BINARY_DIR}/icons/builtin)
# For the install step: <this>/<n>x<n>/apps/pictorb.png for every size below.
set(PICTORB_HICOLOR_ICON_DIR ${CMAKE_CURRENT_BINARY_DIR}/icons/hicolor)
set(PICTORB_HICOLOR_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PICTORB_SCALABLE_ICON ${icon_source_dir}/pictorb.svg)

# The names of the menu and toolbar sets (the control set's three are among them), and the
# spare image.
set(builtin_icon_names
    New Add InFiles InFolder OutFolder OutFormat FavFolder ImportFiles ExportFiles Exit Copy
    Delete SelectAll Convert Error Preferences CustomConverter Help Email Web Updates About
    Preview Picture)
set(builtin_icon_sizes 16 24 32 48 64)

# Renders one SVG to a PNG of the given size and appends the PNG to the list in out_list.
function(pictorb_render_svg out_list svg png width height)
    get_filename_component(folder ${png} DIRECTORY)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${RSVG_CONVERT} --width=${width} --height=${height} --output=${png} ${svg}
        DEPENDS ${svg}
        COMMENT "Rendering ${png}"
        VERBATIM)
    set(${out_list} ${${out_list}} ${png} PARENT_SCOPE)
endfunction()

set(builtin_icon_pngs)
foreach(name IN LISTS builtin_icon_names)
    foreach(size IN LISTS builtin_icon_sizes)
        pictorb_render_svg(builtin_icon_pngs ${icon_source_dir}/builtin/${name}.svg
                           ${builtin_icon_dir}/${name}_${size}.png ${size} ${size})
    endforeach()
endforeach()
# The picture of the 100 by 100 Convert button: its own drawing, as the 16-unit one scaled up
# six times looks coarse.
pictorb_render_svg(builtin_icon_pngs ${icon_source_dir}/builtin/ConvertLarge.svg
                   ${builtin_icon_dir}/Convert_96.png 96 96)
pictorb_render_svg(builtin_icon_pngs ${icon_source_dir}/builtin/Banner.svg
                   ${builtin_icon_dir}/Banner.png 360 40)
# The program's own icon, for the windows' icon.
foreach(size IN LISTS builtin_icon_sizes)
    pictorb_render_svg(builtin_icon_pngs ${PICTORB_SCALABLE_ICON}
                       ${builtin_icon_dir}/pictorb_${size}.png ${size} ${size})
endforeach()

# A static library's resources go into an object library that Qt links into every consumer
# (the desktop module, the tests); builtin_icons.cpp also initialises them by name.
qt_add_resources(pictorb_ui pictorb_builtin_icons
    PREFIX "/builtin"
    BASE ${builtin_icon_dir}
    FILES ${builtin_icon_pngs})

set(hicolor_pngs)
foreach(size IN LISTS PICTORB_HICOLOR_ICON_SIZES)
    set(folder ${PICTORB_HICOLOR_ICON_DIR}/${size}x${size}/apps)
    pictorb_render_svg(hicolor_pngs ${PICTORB_SCALABLE_ICON} ${folder}/pictorb.png ${size} ${size})
endforeach()
add_custom_target(pictorb_hicolor_icons ALL DEPENDS ${hicolor_pngs})
