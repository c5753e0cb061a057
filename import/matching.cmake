# The matching half of the statement import: rules, identities, the import store (SQLite
# through Qt's SQL driver), the matcher, booking into the month books and the preview's
# model in the core; the preview window and its dialogs in the GUI.
target_sources(qel_core PRIVATE
  ImportBooking.cpp ImportBooking.h
  ImportMatcher.cpp ImportMatcher.h
  ImportPreviewModel.cpp ImportPreviewModel.h
  ImportRules.cpp ImportRules.h
  ImportStore.cpp ImportStore.h
  ImportStoreUpkeep.cpp ImportStoreUpkeep.h
  LedgerText.cpp LedgerText.h
  RowIdentity.cpp RowIdentity.h)
target_link_libraries(qel_core PUBLIC Qt6::Sql)
if(TARGET qel_gui)
  target_sources(qel_gui PRIVATE
    CsvColumnsUnit.cpp CsvColumnsUnit.h
    ImportFlow.cpp ImportFlow.h
    ImportRulesUnit.cpp ImportRulesUnit.h
    ImportUnit.cpp ImportUnit.h)
endif()

