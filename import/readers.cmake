# The statement readers: a reader per format behind ReadStatement, all in the core.
target_sources(qel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Statement.h
  ${CMAKE_CURRENT_LIST_DIR}/StatementReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatementText.cpp ${CMAKE_CURRENT_LIST_DIR}/StatementText.h
  ${CMAKE_CURRENT_LIST_DIR}/SepaText.cpp ${CMAKE_CURRENT_LIST_DIR}/SepaText.h
  ${CMAKE_CURRENT_LIST_DIR}/CamtReader.cpp ${CMAKE_CURRENT_LIST_DIR}/CamtReader.h
  ${CMAKE_CURRENT_LIST_DIR}/Mt940Reader.cpp ${CMAKE_CURRENT_LIST_DIR}/Mt940Reader.h
  ${CMAKE_CURRENT_LIST_DIR}/CsvTable.cpp ${CMAKE_CURRENT_LIST_DIR}/CsvTable.h
  ${CMAKE_CURRENT_LIST_DIR}/CsvReader.cpp ${CMAKE_CURRENT_LIST_DIR}/CsvReader.h
  ${CMAKE_CURRENT_LIST_DIR}/CsvBankProfiles.cpp ${CMAKE_CURRENT_LIST_DIR}/CsvBankProfiles.h)
