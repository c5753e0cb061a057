# The year overview and the search over every book: sums, cache and search in the core; the
# page, the chart, the panel and the search field on the window side; the CLI's year and search.
qel_add_test(tst_yearsums SOURCES tst_yearsums.cpp LIBS qel_core)
qel_add_test(tst_booksearch SOURCES tst_booksearch.cpp LIBS qel_core)
qel_add_test(tst_clireports SOURCES tst_clireports.cpp LIBS qel_demo_data)
target_compile_definitions(tst_clireports PRIVATE QEL_CLI_PATH="$<TARGET_FILE:haushaltsbuch-cli>")
add_dependencies(tst_clireports haushaltsbuch-cli)
