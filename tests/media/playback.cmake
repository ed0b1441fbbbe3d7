# Tests of the playback service.
tonlyra_add_test(tst_mpvengine SOURCES tst_mpvengine.cpp LIBS tonlyra_core)
tonlyra_add_test(tst_mediadialog SOURCES tst_mediadialog.cpp LIBS tonlyra_ui)
