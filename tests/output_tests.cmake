# Printing and spreadsheet export.
if(TARGET qel_gui)
  qel_add_test(tst_pageprinter SOURCES tst_pageprinter.cpp LIBS qel_gui)
endif()
qel_add_test(tst_xlsexport SOURCES tst_xlsexport.cpp TestBytes.h LIBS qel_core)
if(TARGET qel_gui)
  qel_add_test(tst_listoutput SOURCES tst_listoutput.cpp MainWindowFixture.h PageCheck.h LIBS qel_gui)
endif()
# Printing and sound come as modules on first use: the program itself must not pull their
# libraries in at start.
if(TARGET haushaltsbuch)
  add_test(NAME program_starts_without_print_and_audio_libraries
    COMMAND sh -c "! readelf -d \"$0\" | grep -E 'PrintSupport|Multimedia|libcups'" $<TARGET_FILE:haushaltsbuch>)
endif()
