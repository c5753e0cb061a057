# Installation as a Linux desktop program and the Debian package built by CPack.
include(GNUInstallDirs)

set(QEL_APP_ID de.orvo.Haushaltsbuch)
set(QEL_RELEASE_DATE 2026-12-08)
set(QEL_LINUX_DIR ${PROJECT_SOURCE_DIR}/resources/linux)
set(QEL_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)

# The program finds its help file beside itself (build tree) or here (installed).
set(QEL_INSTALL_DATA_SUBDIR ${CMAKE_INSTALL_DATADIR}/haushaltsbuch)
file(RELATIVE_PATH QEL_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/haushaltsbuch)

install(TARGETS haushaltsbuch-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET haushaltsbuch)
  install(TARGETS haushaltsbuch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET qel_help)
    install(FILES ${CMAKE_BINARY_DIR}/app/QEL.chm DESTINATION ${QEL_INSTALL_DATA_SUBDIR})
  endif()
  install(FILES ${QEL_LINUX_DIR}/${QEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${QEL_LINUX_DIR}/${QEL_APP_ID}.metainfo.xml.in ${QEL_PACKAGE_DIR}/${QEL_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${QEL_PACKAGE_DIR}/${QEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Manual pages and the Debian documentation files, compressed as Debian expects (gzip -n:
# no time stamp, so the package depends on its sources only).
find_program(QEL_GZIP gzip)
set(qel_pages haushaltsbuch-cli)
if(TARGET haushaltsbuch)
  list(APPEND qel_pages haushaltsbuch)
endif()
set(qel_compressed)
foreach(page IN LISTS qel_pages)
  configure_file(${QEL_LINUX_DIR}/${page}.1 ${QEL_PACKAGE_DIR}/${page}.1 @ONLY)
  list(APPEND qel_compressed ${QEL_PACKAGE_DIR}/${page}.1)
endforeach()
configure_file(${QEL_LINUX_DIR}/changelog.Debian.in ${QEL_PACKAGE_DIR}/changelog.Debian @ONLY)
list(APPEND qel_compressed ${QEL_PACKAGE_DIR}/changelog.Debian)
if(QEL_GZIP)
  set(qel_gz_files)
  foreach(file IN LISTS qel_compressed)
    add_custom_command(OUTPUT ${file}.gz
      COMMAND ${QEL_GZIP} -9 -n -c ${file} > ${file}.gz
      DEPENDS ${file}
      VERBATIM)
    list(APPEND qel_gz_files ${file}.gz)
  endforeach()
  add_custom_target(qel_package_docs ALL DEPENDS ${qel_gz_files})
  foreach(page IN LISTS qel_pages)
    install(FILES ${QEL_PACKAGE_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  install(FILES ${QEL_PACKAGE_DIR}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/haushaltsbuch)
endif()
install(FILES ${QEL_LINUX_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/haushaltsbuch)

set(CPACK_PACKAGE_NAME haushaltsbuch)
set(CPACK_PACKAGE_VENDOR "Velmora Software")
set(CPACK_PACKAGE_CONTACT "Velmora Software <info@velmora.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Einnahmen und Ausgaben Monat für Monat führen")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION "Führt für jeden Monat ein Haushaltsbuch mit Einnahmen und Ausgaben\n(Datum, Betrag, Kategorie, Verwendung) und regelmäßige Buchungen, die in\njedem Monat mitzählen. Berechnet den Monat nach Kategorien und Verwendung,\nzeigt ihn als Tortendiagramm, druckt Listen, exportiert sie als Tabelle\n(.xls), sichert die Daten und hat einen Taschenrechner. Dazu kommt\nhaushaltsbuch-cli für die Kommandozeile.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY haushaltsbuch)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velmora.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: the fonts the pages are drawn with, and Qt's SQLite driver (a plugin,
# which the library scan does not see) for the statement import's store. libzip (statements
# in ZIP files) is named as well, though the scan finds it, so that no build goes without it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, libqt6sql6-sqlite, libzip4, tesseract-ocr-deu")
# Qt's own dialog texts in German.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
