# The copy library: MP3 and wave copies of a three-minute track from a CD image.
tonlyra_add_bench(bench_spardon SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_spardon.cpp
                  LIBS spardon_objects Qt6::Core)
