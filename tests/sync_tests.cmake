# One ledger on two machines through a synced folder: conflict copies recognised and merged.
qel_add_test(tst_conflictcopies SOURCES tst_conflictcopies.cpp LIBS qel_core)
