qel_add_test(tst_regulardialog SOURCES tst_regulardialog.cpp MessageBoxAnswerer.h LIBS qel_gui)
