# The program's pictures are drawn as SVG in resources/pictures and rendered at build time by
# render_pictures (tools/render_pictures.cpp), at 1× and 2×:
#   resources/pictures/<strip name>/*.svg  -> ":/images/<strip name>.png" and ":/images/<strip name>@2x.png"
#   resources/pictures/cursors/<name>.svg  -> ":/cursors/<name>.png" and ":/cursors/<name>@2x.png"
# A changed SVG re-renders its strip or cursor.

add_executable(render_pictures "${PROJECT_SOURCE_DIR}/tools/render_pictures.cpp")
qv_target_defaults(render_pictures)
target_link_libraries(render_pictures PRIVATE Qt6::Gui Qt6::Svg)

set(QV_PICTURES_DIR "${PROJECT_SOURCE_DIR}/resources/pictures")
# Sanitizer builds instrument the tool too: its leaks at exit, and what the thread checker reports of the
# threads inside Qt's picture rendering (Qt is not instrumented), must not fail the build.
set(QV_RENDER_PICTURES "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
    TSAN_OPTIONS=report_bugs=0 $<TARGET_FILE:render_pictures>)

# Renders every strip and embeds them into `target` as ":/images/...".
function(qv_add_picture_strips target)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/pictures")
    file(GLOB folders LIST_DIRECTORIES true "${QV_PICTURES_DIR}/*")
    set(pngs)
    foreach(folder IN LISTS folders)
        get_filename_component(name "${folder}" NAME)
        if(NOT IS_DIRECTORY "${folder}" OR name STREQUAL "cursors")
            continue()
        endif()
        file(GLOB svgs CONFIGURE_DEPENDS "${folder}/*.svg")
        set(strip "${out}/images/${name}.png" "${out}/images/${name}@2x.png")
        add_custom_command(OUTPUT ${strip}
            COMMAND ${QV_RENDER_PICTURES} strip "${folder}" "${out}/images"
            DEPENDS render_pictures ${svgs}
            COMMENT "Rendering the pictures of ${name}" VERBATIM)
        list(APPEND pngs ${strip})
    endforeach()
    qt_add_resources(${target} "qv_images" PREFIX "/" BASE "${out}" FILES ${pngs})
endfunction()

# Renders every cursor and embeds them into `target` as ":/cursors/...".
function(qv_add_cursors target)
    set(out "${CMAKE_CURRENT_BINARY_DIR}/pictures")
    file(GLOB svgs CONFIGURE_DEPENDS "${QV_PICTURES_DIR}/cursors/*.svg")
    set(pngs)
    foreach(svg IN LISTS svgs)
        get_filename_component(name "${svg}" NAME_WE)
        set(cursor "${out}/cursors/${name}.png" "${out}/cursors/${name}@2x.png")
        add_custom_command(OUTPUT ${cursor}
            COMMAND ${QV_RENDER_PICTURES} cursor "${svg}" "${out}/cursors"
            DEPENDS render_pictures "${svg}"
            COMMENT "Rendering the cursor ${name}" VERBATIM)
        list(APPEND pngs ${cursor})
    endforeach()
    qt_add_resources(${target} "qv_cursors" PREFIX "/" BASE "${out}" FILES ${pngs})
endfunction()

# Re-renders the checked-in PNGs of the application icon from resources/icons/quorvane.svg (run by
# hand after changing the SVG: cmake --build build/release --target render_app_icons).
set(QV_ICON_COMMANDS)
foreach(size 16 32 48 64 128 256)
    list(APPEND QV_ICON_COMMANDS COMMAND ${QV_RENDER_PICTURES} icon "${PROJECT_SOURCE_DIR}/resources/icons/quorvane.svg"
        ${size} "${PROJECT_SOURCE_DIR}/resources/icons/quorvane-${size}.png")
endforeach()
add_custom_target(render_app_icons ${QV_ICON_COMMANDS} DEPENDS render_pictures VERBATIM)

# A contact sheet of every strip and cursor, to look at (build/.../pictures-sheet.png).
add_custom_target(pictures_sheet
    COMMAND ${QV_RENDER_PICTURES} sheet "${QV_PICTURES_DIR}" "${CMAKE_BINARY_DIR}/pictures-sheet.png"
    DEPENDS render_pictures VERBATIM)
