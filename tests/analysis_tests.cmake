# The month computed: totals and breakdowns, the pages, their print dialog and the pie.
qel_add_test(tst_analysissums SOURCES tst_analysissums.cpp LIBS qel_core)
if(QEL_GUI)
  qel_add_test(tst_analysispages SOURCES tst_analysispages.cpp LIBS qel_gui)
  qel_add_test(tst_analysispanel SOURCES tst_analysispanel.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()
