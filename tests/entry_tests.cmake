qel_add_test(tst_entrydialogs SOURCES tst_entrydialogs.cpp DialogTestEnvironment.h MessageBoxAnswerer.h LIBS qel_gui)
qel_add_test(tst_navigator SOURCES tst_navigator.cpp LIBS qel_gui)
qel_add_test(tst_newbook SOURCES tst_newbook.cpp DialogTestEnvironment.h LIBS qel_gui)
