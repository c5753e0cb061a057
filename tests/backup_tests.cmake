# Backup and restore: the engine with the command line, and the window.
qel_add_test(tst_backup SOURCES tst_backup.cpp LIBS qel_core)
target_compile_definitions(tst_backup PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_backup haushaltsbuch-cli)
if(QEL_GUI)
  qel_add_test(tst_backupform SOURCES tst_backupform.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()
