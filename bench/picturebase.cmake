# The picture base dialog with 5,000 pictures: showing it, searching, previewing a large photo.
tonlyra_add_bench(bench_picturebase SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_picturebase.cpp
                  LIBS tonlyra_ui tonlyra_benchsupport)
