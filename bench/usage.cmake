# The use log: the "Användning" window opening on a year's log, and what the log adds to a press.
tonlyra_add_bench(bench_usage SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_usage.cpp LIBS tonlyra_ui tonlyra_benchsupport
                  tonlyra_testsupport)
