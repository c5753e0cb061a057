qel_add_test(tst_skincontrols SOURCES tst_skincontrols.cpp LIBS qel_gui)
qel_add_test(tst_mainwindow SOURCES tst_mainwindow.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
include(${CMAKE_CURRENT_SOURCE_DIR}/entry_tests.cmake OPTIONAL)
include(${CMAKE_CURRENT_SOURCE_DIR}/regular_tests.cmake OPTIONAL)
