qel_add_test(tst_skincontrols SOURCES tst_skincontrols.cpp LIBS qel_gui)
qel_add_test(tst_mainwindow SOURCES tst_mainwindow.cpp MessageBoxAnswerer.h LIBS qel_gui)
