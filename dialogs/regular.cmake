# The regular booking dialog and its day picker.
target_sources(qel_gui PRIVATE
  DayPanel.cpp DayPanel.h
  EntryRegularUnit.cpp EntryRegularUnit.h)
