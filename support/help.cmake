# Help and diagnostic log. The log, the context map and the archive reader belong to
# the core, the help window to the GUI; QEL.chm is compiled from resources/help.
#
# Run with -P, this file is also the build step that compiles QEL.chm (see the end).

if(NOT CMAKE_SCRIPT_MODE_FILE)

target_sources(qel_core PRIVATE
  ChmArchive.cpp ChmArchive.h
  DiagnosticLog.cpp DiagnosticLog.h
  HelpMap.cpp HelpMap.h)

# Without chmlib the program still builds; help then shows nothing.
find_library(QEL_CHM_LIBRARY chm)
find_path(QEL_CHM_INCLUDE_DIR chm_lib.h)
if(QEL_CHM_LIBRARY AND QEL_CHM_INCLUDE_DIR)
  set(qel_chm_definitions QEL_HAVE_CHMLIB)
  # chmlib cannot tell its version; the library file's number stands in (libchm.so.1.0.0).
  file(REAL_PATH "${QEL_CHM_LIBRARY}" qel_chm_real)
  get_filename_component(qel_chm_file "${qel_chm_real}" NAME)
  if(qel_chm_file MATCHES "\\.so\\.([0-9.]+)$")
    list(APPEND qel_chm_definitions QEL_CHMLIB_VERSION="${CMAKE_MATCH_1}")
  endif()
  target_compile_definitions(qel_core PRIVATE ${qel_chm_definitions})
  target_include_directories(qel_core PRIVATE ${QEL_CHM_INCLUDE_DIR})
  target_link_libraries(qel_core PRIVATE ${QEL_CHM_LIBRARY})
else()
  message(STATUS "chmlib (libchm-dev) not found: the program will not show help")
endif()

if(TARGET qel_gui)
  target_sources(qel_gui PRIVATE
    HelpKey.cpp HelpKey.h
    HelpSystem.cpp HelpSystem.h
    HelpWindow.cpp HelpWindow.h)
endif()

# QEL.chm beside the program.
find_program(QEL_CHMCMD chmcmd)
if(NOT QEL_CHMCMD)
  message(STATUS "chmcmd (fp-utils) not found: QEL.chm will not be built")
  return()
endif()

set(qel_help_dir ${PROJECT_SOURCE_DIR}/resources/help)
# Every file there goes into the staging folder; QEL.hhp says which of them the archive holds.
file(GLOB qel_help_sources CONFIGURE_DEPENDS ${qel_help_dir}/*)
set(qel_help_output ${CMAKE_BINARY_DIR}/app/QEL.chm)

set(qel_help_stamp_args)
if(QEL_CHM_LIBRARY AND QEL_CHM_INCLUDE_DIR)
  add_executable(qel_chm_stamp ChmArchive.cpp ChmArchive.h)
  set_target_properties(qel_chm_stamp PROPERTIES AUTOMOC OFF)
  target_compile_definitions(qel_chm_stamp PRIVATE QEL_CHM_STAMP_TOOL ${qel_chm_definitions})
  target_include_directories(qel_chm_stamp PRIVATE ${PROJECT_SOURCE_DIR} ${QEL_CHM_INCLUDE_DIR})
  target_link_libraries(qel_chm_stamp PRIVATE Qt6::Core ${QEL_CHM_LIBRARY})
  set(qel_help_stamp_args -DQEL_CHM_STAMP=$<TARGET_FILE:qel_chm_stamp>)
else()
  message(STATUS "QEL.chm will carry its compile time (no chmlib to clear it)")
endif()

add_custom_command(OUTPUT ${qel_help_output}
  COMMAND ${CMAKE_COMMAND}
    -DQEL_CHMCMD=${QEL_CHMCMD}
    -DQEL_HELP_DIR=${qel_help_dir}
    -DQEL_HELP_STAGE=${CMAKE_CURRENT_BINARY_DIR}/help
    -DQEL_HELP_OUTPUT=${qel_help_output}
    ${qel_help_stamp_args}
    -P ${CMAKE_CURRENT_LIST_FILE}
  DEPENDS ${qel_help_sources} ${CMAKE_CURRENT_LIST_FILE} $<TARGET_NAME_IF_EXISTS:qel_chm_stamp>
  COMMENT "Compiling the help file QEL.chm"
  VERBATIM)
add_custom_target(qel_help ALL DEPENDS ${qel_help_output})
if(TARGET haushaltsbuch)
  add_dependencies(haushaltsbuch qel_help)
endif()

else() # script mode: compile QEL.chm

# chmcmd stores every topic of the context map as an absolute path. Compiling through
# /proc/self/cwd, the staging folder as chmcmd sees it, gives the same path in every
# build tree; the compile times are cleared afterwards. Together this makes the file
# depend on its sources only.
file(REMOVE_RECURSE ${QEL_HELP_STAGE})
file(MAKE_DIRECTORY ${QEL_HELP_STAGE})
file(COPY ${QEL_HELP_DIR}/ DESTINATION ${QEL_HELP_STAGE})
set(project QEL.hhp)
if(IS_DIRECTORY /proc/self/cwd)
  set(project /proc/self/cwd/QEL.hhp)
endif()
execute_process(COMMAND ${QEL_CHMCMD} --no-html-scan ${project}
  WORKING_DIRECTORY ${QEL_HELP_STAGE}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
# chmcmd reports a missing file as an error and still ends with 0.
if(NOT result EQUAL 0 OR output MATCHES "(Error|Warning):" OR NOT EXISTS ${QEL_HELP_STAGE}/QEL.chm)
  message(FATAL_ERROR "chmcmd could not compile QEL.chm:\n${output}")
endif()
if(QEL_CHM_STAMP)
  execute_process(COMMAND ${QEL_CHM_STAMP} ${QEL_HELP_STAGE}/QEL.chm RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(WARNING "QEL.chm keeps its compile time")
  endif()
endif()
get_filename_component(output_dir ${QEL_HELP_OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
file(COPY_FILE ${QEL_HELP_STAGE}/QEL.chm ${QEL_HELP_OUTPUT})

endif()
