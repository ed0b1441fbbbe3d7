# Helpers shared by the build of every folder.

# tonlyra_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>] [TIMEOUT <s>])
# One GoogleTest executable, run by ctest on the offscreen platform with its own temporary
# system folder and no sound output, so that no test needs a display or a sound device or
# touches the user's files.
function(tonlyra_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE tonlyra_testsupport GTest::gtest ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    # The system folder, the thumbnail cache and the user data folder are the test's own in the
    # build, made only if the test makes them.
    set(environment
        "QT_QPA_PLATFORM=offscreen"
        "TONLYRA_MPV_AO=null"
        "TONLYRA_TEST_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        "TONLYRA_SYSTEM_DIR=${CMAKE_BINARY_DIR}/test-system/${name}"
        "XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/test-cache/${name}"
        "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data/${name}")
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "${environment}")
endfunction()

# tonlyra_add_bench(<name> SOURCES <files...> [LIBS <targets...>])
function(tonlyra_add_bench name)
    cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${B_SOURCES})
    target_link_libraries(${name} PRIVATE ${B_LIBS})
endfunction()
