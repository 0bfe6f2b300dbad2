# Helpers for the tests and fuzz targets that each library declares in its own
# tests/ and fuzz/ folders.

# tavor_add_test(NAME [GUI] SOURCES a.cpp ... [LIBS x ...] [LABELS label ...])
# One executable per area; every GoogleTest case becomes its own ctest test.
function(tavor_add_test name)
    cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_GUI)
        target_link_libraries(${name} PRIVATE tavor_settings tavor_test_gui_main ${T_LIBS})
    else()
        target_link_libraries(${name} PRIVATE tavor_settings tavor_test_core_main ${T_LIBS})
    endif()
    target_compile_definitions(${name} PRIVATE
        TAVOR_BINARY_DIR="${PROJECT_BINARY_DIR}"
        TAVOR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    set(labels)
    if(T_LABELS)
        set(labels LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${name}
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${labels}
        DISCOVERY_TIMEOUT 60)
endfunction()

# tavor_add_fuzz(NAME SOURCE LIB ...): a libFuzzer target linking only the libraries
# it exercises, built as BUILD/fuzz/NAME. Its seed corpus lies in the folder's
# corpus/<target>/, the inputs of fixed crashes in regressions/<target>/, where
# <target> is NAME without its "fuzz_" (tests/fuzz/run-fuzz finds them there).
function(tavor_add_fuzz name source)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE tavor_settings ${ARGN})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
    add_dependencies(tavor_fuzz_targets ${name})
endfunction()
