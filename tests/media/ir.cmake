# Tests of the IR commands.
tonlyra_add_test(tst_irstring SOURCES tst_irstring.cpp LIBS tonlyra_core)
tonlyra_add_test(tst_irtransmitter SOURCES tst_irtransmitter.cpp tst_irfakeport.h
                 LIBS tonlyra_core util)
tonlyra_add_test(tst_irdialog SOURCES tst_irdialog.cpp tst_irfakeport.h LIBS tonlyra_ui util)
