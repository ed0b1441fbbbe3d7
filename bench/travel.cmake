# Overlays that travel: export and import of an overlay set against zip/unzip of the same files,
# and finding the moved files of a large overlay.
tonlyra_add_bench(bench_travel SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_travel.cpp
                  LIBS tonlyra_core tonlyra_benchsupport Qt6::Gui)
