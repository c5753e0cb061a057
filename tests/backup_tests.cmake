# Backup and restore: the engine with the command line, and the window.
qel_add_test(tst_backup SOURCES tst_backup.cpp LIBS qel_core)
target_compile_definitions(tst_backup PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_backup haushaltsbuch-cli)
qel_add_test(tst_autobackup SOURCES tst_autobackup.cpp KillingOps.h LIBS qel_core)
target_compile_definitions(tst_autobackup PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_autobackup haushaltsbuch-cli)
if(QEL_GUI)
  qel_add_test(tst_backupform SOURCES tst_backupform.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()

# Kills a real command before each of its file system steps in turn (tools/transfer-crash-test.sh).
add_library(qel_kill_shim SHARED shims/KillAtStep.cpp)
set_target_properties(qel_kill_shim PROPERTIES AUTOMOC OFF)
target_link_libraries(qel_kill_shim PRIVATE ${CMAKE_DL_LIBS})
