# Shared settings of the project's own targets: warnings as errors, the source root on the include
# path (includes carry their folder: "core/knot.h") and precompiled Qt and standard headers.
function(qv_target_defaults target)
    # The fuzz build uses clang, whose warnings differ: there they are shown, the gcc build enforces.
    if(QV_FUZZ)
        target_compile_options(${target} PRIVATE -Wall -Wextra)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
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

# One GoogleTest executable per library, registered with CTest as a single test.
function(qv_add_test_executable name folder)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        "${PROJECT_SOURCE_DIR}/tests/${folder}/*.cpp" "${PROJECT_SOURCE_DIR}/tests/${folder}/*.h")
    add_executable(${name} ${sources})
    qv_target_defaults(${name})
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    target_compile_definitions(${name} PRIVATE
        TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/${folder}/data"
        TEST_TMP_ROOT="${CMAKE_BINARY_DIR}/test-tmp"
        QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
