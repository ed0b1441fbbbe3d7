# Tests of the playback service.
tonlyra_add_test(tst_mpvengine SOURCES tst_mpvengine.cpp LIBS tonlyra_core)
