# From a switch press choosing a sound cell to its media playing at the start position.
tonlyra_add_bench(bench_selection SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_selection.cpp
                  LIBS tonlyra_ui tonlyra_testsupport)
