# Banners, bitmap resources and the prompt sound: window-side only.
# GLOBAL: qel_gui is linked from other folders (app, tests), which must see these targets.
if(TARGET qel_gui)
  find_package(JPEG REQUIRED GLOBAL)
  find_package(Qt6 REQUIRED COMPONENTS Multimedia GLOBAL)
  target_sources(qel_gui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/Banner.cpp ${CMAKE_CURRENT_SOURCE_DIR}/Banner.h
    ${CMAKE_CURRENT_SOURCE_DIR}/JpegDecoder.cpp ${CMAKE_CURRENT_SOURCE_DIR}/JpegDecoder.h
    ${CMAKE_CURRENT_SOURCE_DIR}/ResourceImages.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ResourceImages.h
    ${CMAKE_CURRENT_SOURCE_DIR}/SoundOutput.h
    ${CMAKE_CURRENT_SOURCE_DIR}/WarningSound.cpp ${CMAKE_CURRENT_SOURCE_DIR}/WarningSound.h)
  target_link_libraries(qel_gui PRIVATE JPEG::JPEG)
  # The audio stack is reached through a module loaded for the first sound.
  qel_add_module(qel_sound ${CMAKE_CURRENT_SOURCE_DIR}/EffectSound.cpp ${CMAKE_CURRENT_SOURCE_DIR}/SoundOutput.h)
  target_link_libraries(qel_sound PRIVATE Qt6::Multimedia)
endif()
