# The budgets window.
target_sources(qel_gui PRIVATE
  BudgetUnit.cpp BudgetUnit.h)
