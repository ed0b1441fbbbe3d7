# Tests of the playback service.
tonlyra_add_test(tst_mpvengine SOURCES tst_mpvengine.cpp LIBS tonlyra_core)
tonlyra_add_test(tst_mediadialog SOURCES tst_mediadialog.cpp MediaDialogFixtures.h LIBS tonlyra_ui)
tonlyra_add_test(tst_mediaselection SOURCES tst_mediaselection.cpp MediaDialogFixtures.h LIBS tonlyra_ui)
tonlyra_add_test(tst_playbackservice SOURCES tst_playbackservice.cpp LIBS tonlyra_core)
