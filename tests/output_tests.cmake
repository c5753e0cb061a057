# Printing and spreadsheet export.
if(TARGET qel_gui)
  qel_add_test(tst_pageprinter SOURCES tst_pageprinter.cpp LIBS qel_gui)
endif()
qel_add_test(tst_xlsexport SOURCES tst_xlsexport.cpp TestBytes.h LIBS qel_core)
if(TARGET qel_gui)
  qel_add_test(tst_listoutput SOURCES tst_listoutput.cpp MainWindowFixture.h PageCheck.h LIBS qel_gui)
endif()
