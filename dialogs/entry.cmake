# The income and expense dialogs, the category overview and the new-book dialog.
target_sources(qel_gui PRIVATE
  DatePicker.cpp DatePicker.h
  EntryBookingDialog.cpp EntryBookingDialog.h
  EntryIncomeUnit.cpp EntryIncomeUnit.h
  NavigatorUnit.cpp NavigatorUnit.h
  NewUnit.cpp NewUnit.h)
