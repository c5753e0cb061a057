# The statement readers: text rules, each format with its bad input, and the statements
# of real banks under data/statements.
qel_add_test(tst_statementtext SOURCES tst_statementtext.cpp LIBS qel_core)
qel_add_test(tst_statementreaders SOURCES tst_statementreaders.cpp LIBS qel_core)
qel_add_test(tst_statementfixtures SOURCES tst_statementfixtures.cpp LIBS qel_core)
target_compile_definitions(tst_statementfixtures PRIVATE
  QEL_STATEMENTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/statements"
  QEL_FUZZ_SEEDS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/../fuzz/corpus")
qel_add_test(tst_statementarchive SOURCES tst_statementarchive.cpp TestZip.h LIBS qel_core PkgConfig::LIBZIP)
target_compile_definitions(tst_statementarchive PRIVATE
  QEL_STATEMENTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/statements")
qel_add_test(tst_csvlayoutguess SOURCES tst_csvlayoutguess.cpp LIBS qel_core)
target_compile_definitions(tst_csvlayoutguess PRIVATE
  QEL_STATEMENTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/statements")

# Documents on bookings: e-invoices and receipts under data/documents.
qel_add_test(tst_documents SOURCES tst_documents.cpp LIBS qel_core qel_pdf)
target_compile_definitions(tst_documents PRIVATE QEL_DOCUMENTS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data/documents"
  QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_documents haushaltsbuch-cli)
if(TARGET Qt6::Gui)
  # The text recogniser on receipts drawn for the test.
  qel_add_test(tst_receiptocr SOURCES tst_receiptocr.cpp LIBS qel_core qel_ocr Qt6::Gui)
endif()
