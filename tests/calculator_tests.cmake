# The calculator: its number engine without a display, its window and keys with one.
qel_add_test(tst_calculatorengine SOURCES tst_calculatorengine.cpp LIBS qel_core)
if(TARGET qel_gui)
  qel_add_test(tst_calculator SOURCES tst_calculator.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()
