# Playback start and stop timing of the media dialog on local files and a CD image.
tonlyra_add_bench(bench_media SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_media.cpp
                  LIBS tonlyra_ui tonlyra_testsupport PkgConfig::MPV)
