# The statement import's windows: the preview, the CSV column choice, the rules, and the way
# from a file to the books.
target_sources(qel_gui PRIVATE
  CsvColumnsUnit.cpp CsvColumnsUnit.h
  ImportFlow.cpp ImportFlow.h
  ImportRulesUnit.cpp ImportRulesUnit.h
  ImportUnit.cpp ImportUnit.h)
