# The media selection dialog opening a 3-minute MP3, against the playback engine alone.
tonlyra_add_bench(bench_mediaselection SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_mediaselection.cpp
                  LIBS tonlyra_ui tonlyra_testsupport)
