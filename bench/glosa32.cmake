# The annotation library: drawing a full layer, saving and loading a large container.
tonlyra_add_bench(bench_glosa32 SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_glosa32.cpp
                  LIBS glosa32_objects Qt6::Widgets)
