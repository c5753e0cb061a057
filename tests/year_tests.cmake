# The year overview and the search over every book: sums, cache and search in the core; the
# page, the chart, the panel and the search field on the window side; the CLI's year and search.
qel_add_test(tst_yearsums SOURCES tst_yearsums.cpp LIBS qel_core)
qel_add_test(tst_booksearch SOURCES tst_booksearch.cpp LIBS qel_core)
