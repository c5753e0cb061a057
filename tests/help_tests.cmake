# Diagnostic log and help. tst_help checks the compiled QEL.chm when the build makes
# one, and the help window when the GUI is built.
qel_add_test(tst_diagnosticlog SOURCES tst_diagnosticlog.cpp LIBS qel_core)

set(qel_help_test_libs qel_core)
if(TARGET qel_gui)
  list(APPEND qel_help_test_libs qel_gui)
endif()
qel_add_test(tst_help SOURCES tst_help.cpp LIBS ${qel_help_test_libs})
if(TARGET qel_gui)
  target_compile_definitions(tst_help PRIVATE QEL_HELP_GUI)
endif()
if(TARGET qel_help)
  target_compile_definitions(tst_help PRIVATE QEL_HELP_FILE="${CMAKE_BINARY_DIR}/app/QEL.chm")
  add_dependencies(tst_help qel_help)
endif()
