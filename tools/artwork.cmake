# The artwork generator draws the committed pictures and the prompt sound under resources/.
# Build target qel-artwork to redraw them in the source tree.
if(QEL_GUI)
  add_executable(qel-make-artwork MakeArtwork.cpp)
  find_package(Qt6 REQUIRED COMPONENTS Svg)
  target_link_libraries(qel-make-artwork PRIVATE Qt6::Gui Qt6::Svg)

  add_custom_target(qel-artwork
    COMMAND qel-make-artwork ${PROJECT_SOURCE_DIR}/resources
    COMMENT "Drawing the program's pictures and sound into resources/"
    VERBATIM)
endif()
