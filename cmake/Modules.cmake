# Parts of the program loaded while it runs, when their task first comes up (see
# support/ModuleLoader.h): in the build tree in "modules" beside the programs' folders,
# installed in the library folder's "haushaltsbuch".
include(GNUInstallDirs)
set(QEL_MODULE_BUILD_DIR ${CMAKE_BINARY_DIR}/modules)
set(QEL_MODULE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/haushaltsbuch)
file(RELATIVE_PATH QEL_MODULES_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/haushaltsbuch)

# qel_add_module(name sources...): lib<name>.so, built before everything that links qel_gui.
function(qel_add_module name)
  add_library(${name} MODULE ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${QEL_MODULE_BUILD_DIR})
  # A module that calls nothing of libc itself (no hardening flags, no stack protector) would
  # lose it to --as-needed; every shared object of the package is to name it.
  target_link_options(${name} PRIVATE "LINKER:--push-state,--no-as-needed,-lc,--pop-state")
  add_dependencies(qel_gui ${name})
  install(TARGETS ${name} LIBRARY DESTINATION ${QEL_MODULE_INSTALL_DIR})
endfunction()
