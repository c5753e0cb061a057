# Tests of the statement import after the readers: matching, the store, booking, the
# command line and the preview window.
qel_add_test(tst_importmatcher SOURCES tst_importmatcher.cpp LIBS qel_core)
qel_add_test(tst_importbooking SOURCES tst_importbooking.cpp LIBS qel_core)
