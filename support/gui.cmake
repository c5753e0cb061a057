if(TARGET qel_gui)
  target_sources(qel_gui PRIVATE
    InfoUnit.cpp InfoUnit.h
    ModuleLoader.cpp ModuleLoader.h
    OrvoLinkLabel.cpp OrvoLinkLabel.h)
endif()
