# Shared settings of the project's own targets: warnings (errors with QV_WERROR, which CI sets), the
# source root on the include path (includes carry their folder: "core/knot.h") and precompiled headers.
function(qv_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    # The fuzz build uses clang, whose warnings differ: there they are shown, the gcc build enforces.
    if(QV_WERROR AND NOT QV_FUZZ)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE QT_NO_KEYWORDS QT_NO_CAST_FROM_BYTEARRAY
        QT_USE_QSTRINGBUILDER)
endfunction()

# Collects the sources of a library from its folders below src/.
function(qv_collect_sources out)
    set(files)
    foreach(dir IN LISTS ARGN)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
            "${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp" "${PROJECT_SOURCE_DIR}/src/${dir}/*.h")
        list(APPEND files ${found})
    endforeach()
    set(${out} ${files} PARENT_SCOPE)
endfunction()

# One GoogleTest executable per library, built from MAIN and the test folders that mirror the
# library's folders of src/ (FOLDERS), linked with LIBRARIES, with gtest, gmock and PCH precompiled.
# CTest lists every test by name. A test file finds its data through TEST_DATA_DIR, the "data" folder
# beside it.
function(qv_add_test_executable name)
    cmake_parse_arguments(ARG "" "MAIN" "FOLDERS;LIBRARIES;PCH" ${ARGN})
    set(sources "${PROJECT_SOURCE_DIR}/tests/${ARG_MAIN}")
    foreach(folder IN LISTS ARG_FOLDERS)
        file(GLOB_RECURSE found CONFIGURE_DEPENDS
            "${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp" "${PROJECT_SOURCE_DIR}/tests/${folder}/*.h")
        list(APPEND sources ${found})
    endforeach()
    foreach(source IN LISTS sources)
        get_filename_component(dir "${source}" DIRECTORY)
        set_property(SOURCE "${source}" APPEND PROPERTY COMPILE_DEFINITIONS TEST_DATA_DIR="${dir}/data")
    endforeach()
    add_executable(${name} ${sources})
    qv_target_defaults(${name})
    target_compile_definitions(${name} PRIVATE
        TEST_TMP_ROOT="${CMAKE_BINARY_DIR}/test-tmp"
        QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} qv_test_support_headers GTest::gtest GTest::gmock)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h> ${ARG_PCH})
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
        EXTRA_ARGS --gtest_color=no
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
