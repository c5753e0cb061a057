# The year overview and the search over every book: sums, cache and search in the core; the
# page, the chart, the panel and the search field on the window side; the CLI's year and search.
qel_add_test(tst_yearsums SOURCES tst_yearsums.cpp LIBS qel_core)
qel_add_test(tst_booksearch SOURCES tst_booksearch.cpp LIBS qel_core)
qel_add_test(tst_clireports SOURCES tst_clireports.cpp CliRun.h LIBS qel_demo_data)
target_compile_definitions(tst_clireports PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_clireports haushaltsbuch-cli)
if(QEL_GUI)
  qel_add_test(tst_yearpage SOURCES tst_yearpage.cpp LIBS qel_gui)
  qel_add_test(tst_yearpanel SOURCES tst_yearpanel.cpp MainWindowFixture.h MessageBoxAnswerer.h PageCheck.h LIBS qel_gui)
endif()
