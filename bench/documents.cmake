# Load and save of the program's documents against the naive rewrite-per-key design.
tonlyra_add_bench(bench_documents SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_documents.cpp
                  LIBS tonlyra_core)
