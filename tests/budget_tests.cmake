# Budgets: the core (file, carry-over, merge) and the command line's budget commands.
qel_add_test(tst_budget SOURCES tst_budget.cpp LIBS qel_core)
