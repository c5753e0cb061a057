# Budgets: the core (file, carry-over, merge) and the command line's budget commands.
qel_add_test(tst_budget SOURCES tst_budget.cpp LIBS qel_core)
qel_add_test(tst_clibudget SOURCES tst_clibudget.cpp CliRun.h LIBS qel_core)
target_compile_definitions(tst_clibudget PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_clibudget haushaltsbuch-cli)
if(QEL_GUI)
  qel_add_test(tst_budgetwindow SOURCES tst_budgetwindow.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()
