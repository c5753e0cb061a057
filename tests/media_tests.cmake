# Pictures, banners, the JPEG reader and the prompt sound.
if(TARGET qel_gui)
  qel_add_test(tst_resources SOURCES tst_resources.cpp LIBS qel_gui)
endif()
