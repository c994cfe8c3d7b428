# Installs the build into PREFIX (emptied first) and checks that every file is there and is accepted
# by the tools that read it. A missing tool skips its check with a note; any warning fails.
#   cmake -D BUILD_DIR=… -D PREFIX=… -D SOURCE_DIR=… -D ICON_SIZES=… -D BINDIR=… -D DATADIR=…
#         -D MAN_PAGE=… -P check_install.cmake

set(failures 0)
macro(fail message)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
endmacro()

# Runs a tool; output on standard error, or a failed exit, is a failure. Extra COMMAND groups pipe.
function(run_clean what)
    execute_process(${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR NOT err STREQUAL "")
        message(SEND_ERROR "${what}: exit ${result}\n${err}${out}")
        set(failed TRUE PARENT_SCOPE)
    else()
        message(STATUS "${what}: ok")
    endif()
endfunction()

set(scratch "${PREFIX}.check")
file(REMOVE_RECURSE "${PREFIX}" "${scratch}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (build everything first):\n${err}")
endif()

set(share "${PREFIX}/${DATADIR}")
set(expected
    "${PREFIX}/${BINDIR}/quorvane"
    "${share}/applications/quorvane.desktop"
    "${share}/mime/packages/quorvane.xml"
    "${share}/icons/hicolor/scalable/apps/quorvane.svg"
    "${share}/doc/quorvane/quorvane.html"
    "${PREFIX}/${MAN_PAGE}")
foreach(size IN LISTS ICON_SIZES)
    list(APPEND expected "${share}/icons/hicolor/${size}x${size}/apps/quorvane.png")
endforeach()
file(GLOB samples RELATIVE "${SOURCE_DIR}/samples" "${SOURCE_DIR}/samples/*")
list(REMOVE_ITEM samples README.md)
if(samples STREQUAL "")
    fail("samples/ holds no sample")
endif()
foreach(sample IN LISTS samples)
    list(APPEND expected "${share}/quorvane/samples/${sample}")
endforeach()
foreach(file IN LISTS expected)
    if(NOT EXISTS "${file}")
        fail("not installed: ${file}")
    endif()
endforeach()
if(EXISTS "${share}/quorvane/samples/README.md")
    fail("the samples' README.md is installed")
endif()

# The menu entry: hints are allowed, warnings and errors are not.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${share}/applications/quorvane.desktop"
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR "${out}${err}" MATCHES "(error|warning):")
        fail("desktop-file-validate:\n${out}${err}")
    else()
        message(STATUS "desktop-file-validate: ok")
    endif()
else()
    message(STATUS "skipped: desktop-file-validate is not installed (desktop-file-utils)")
endif()

# The document types: valid against the MIME database's own document type definition, which the
# installed database carries inline; and compiled by update-mime-database into one type per extension.
set(mime "${share}/mime/packages/quorvane.xml")
find_program(XMLLINT xmllint)
if(XMLLINT)
    set(freedesktop "/usr/share/mime/packages/freedesktop.org.xml")
    if(EXISTS "${freedesktop}")
        file(READ "${freedesktop}" database LIMIT 20000)
        string(REGEX MATCH "<!DOCTYPE mime-info \\[(.*)\n\\]>" found "${database}")
        file(WRITE "${scratch}/mime-info.dtd" "${CMAKE_MATCH_1}")
        run_clean("xmllint against the MIME database's DTD" COMMAND "${XMLLINT}" --noout --dtdvalid
            "${scratch}/mime-info.dtd" "${mime}")
    else()
        run_clean("xmllint (well-formed)" COMMAND "${XMLLINT}" --noout "${mime}")
    endif()
else()
    message(STATUS "skipped: xmllint is not installed (libxml2-utils)")
endif()
find_program(UPDATE_MIME_DATABASE update-mime-database)
if(UPDATE_MIME_DATABASE)
    # It warns about a folder outside XDG_DATA_DIRS.
    run_clean("update-mime-database" COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_DIRS=${share}:/usr/share"
        "${UPDATE_MIME_DATABASE}" "${share}/mime")
    foreach(type structured-data commands plain-text)
        if(NOT EXISTS "${share}/mime/application/x-quorvane-${type}.xml")
            fail("update-mime-database made no type application/x-quorvane-${type}")
        endif()
    endforeach()
else()
    message(STATUS "skipped: update-mime-database is not installed (shared-mime-info)")
endif()

# The manual page, formatted with every warning on.
set(page "${PREFIX}/${MAN_PAGE}")
find_program(GROFF groff)
if(GROFF)
    if(page MATCHES "\\.gz$")
        run_clean("groff -man -ww" COMMAND gzip -dc "${page}" COMMAND "${GROFF}" -man -Tutf8 -ww -z)
    else()
        run_clean("groff -man -ww" COMMAND "${GROFF}" -man -Tutf8 -ww -z "${page}")
    endif()
else()
    message(STATUS "skipped: groff is not installed")
endif()
find_program(MAN man)
if(MAN)
    set(ENV{MANWIDTH} 80)
    set(ENV{MAN_KEEP_FORMATTING} "")
    run_clean("man -l" COMMAND "${MAN}" --warnings -l -P cat "${page}")
endif()

# The offline manual carries the README's content and the manual page's sections.
set(manual "${share}/doc/quorvane/quorvane.html")
if(EXISTS "${manual}")
    file(READ "${manual}" html)
    file(STRINGS "${SOURCE_DIR}/README.md" readme_title LIMIT_COUNT 1 REGEX "^# ")
    string(REGEX REPLACE "^# " "" readme_title "${readme_title}")
    foreach(part "id=\"SYNOPSIS\"" "id=\"OPTIONS\"" "<b>-readonly</b>" "${readme_title}")
        string(FIND "${html}" "${part}" at)
        if(at LESS 0)
            fail("the offline manual lacks ${part}")
        endif()
    endforeach()
endif()

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} install check(s) failed")
endif()
