# The player's grid of 100 large photos: the rebuild, its peak memory and one scanning step.
tonlyra_add_bench(bench_grid SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_grid.cpp
                  LIBS tonlyra_ui tonlyra_benchsupport)
