# One ledger on two machines through a synced folder: conflict copies recognised and merged.
qel_add_test(tst_conflictcopies SOURCES tst_conflictcopies.cpp LIBS qel_core)
# The change logs: entries read back exactly, torn and damaged logs, the state in any order.
qel_add_test(tst_changelog SOURCES tst_changelog.cpp LIBS qel_core)
