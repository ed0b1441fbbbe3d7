# The overlay editor: opening it on a 10 x 10 overlay, and closing it into the player's grid.
tonlyra_add_bench(bench_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_editor.cpp
                  LIBS tonlyra_ui tonlyra_testsupport)
