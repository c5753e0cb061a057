# Tests of the statement import after the readers: matching, the store, booking, the
# command line and the preview window.
qel_add_test(tst_importmatcher SOURCES tst_importmatcher.cpp LIBS qel_core)
qel_add_test(tst_importbooking SOURCES tst_importbooking.cpp KillingOps.h LIBS qel_core)
target_compile_definitions(tst_importbooking PRIVATE QEL_STATEMENTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/statements")
qel_add_test(tst_cliimport SOURCES tst_cliimport.cpp ImportTestStatements.h TestZip.h LIBS qel_core PkgConfig::LIBZIP)
target_compile_definitions(tst_cliimport PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_cliimport haushaltsbuch-cli)
if(TARGET qel_gui)
  qel_add_test(tst_importwindow SOURCES tst_importwindow.cpp ImportTestStatements.h TestZip.h MainWindowFixture.h
    MessageBoxAnswerer.h LIBS qel_gui PkgConfig::LIBZIP)
endif()
