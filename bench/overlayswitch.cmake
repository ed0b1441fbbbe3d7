# From the switch press on an overlay cell to the new grid of photos painted, with and without
# the thumbnail cache.
tonlyra_add_bench(bench_overlayswitch SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_overlayswitch.cpp
                  LIBS tonlyra_ui tonlyra_benchsupport Qt6::Test)
