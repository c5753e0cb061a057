# A day of bookings with the keyboard alone, through the main window and its dialogs.
if(TARGET qel_gui)
  qel_add_test(tst_keyboardday SOURCES tst_keyboardday.cpp MainWindowFixture.h MessageBoxAnswerer.h LIBS qel_gui)
endif()
