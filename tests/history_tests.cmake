# The trash of removed books and the history of changes.
qel_add_test(tst_trash SOURCES tst_trash.cpp CliRun.h LIBS qel_core)
target_compile_definitions(tst_trash PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_trash haushaltsbuch-cli)
qel_add_test(tst_undohistory SOURCES tst_undohistory.cpp CliRun.h LIBS qel_core)
target_compile_definitions(tst_undohistory PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_undohistory haushaltsbuch-cli)
