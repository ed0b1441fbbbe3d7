# Showing a grid of 100 large photos: scaled, parallel decoding against full decoding.
tonlyra_add_bench(bench_picture SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_picture.cpp
                  LIBS tonlyra_ui tonlyra_benchsupport)
