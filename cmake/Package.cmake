# What `cmake --install` puts where, and the .deb CPack makes of it. The
# paths the installed programs look for are set in PackagePaths.cmake.

install(TARGETS korvane korvane-cli korvane-update korvane-createdb RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KORVANE_REPORT_PROJECT_SOURCES} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane/RELATORIOS)
if(KORVANE_RELEASE_SOURCE)
  install(FILES ${KORVANE_RELEASE_SOURCE} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane)
endif()
install(FILES ${KORVANE_TEMPLATE_BUILT} DESTINATION ${CMAKE_INSTALL_DATADIR}/korvane
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(FILES ${CMAKE_SOURCE_DIR}/package/korvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/package/korvane-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The icon is the main window's picture, drawn by the program's own code.
add_executable(korvane-icon app/icon_main.cpp)
target_link_libraries(korvane-icon PRIVATE korvane_ui)
set(KORVANE_ICON ${CMAKE_BINARY_DIR}/korvane.png)
add_custom_command(OUTPUT ${KORVANE_ICON}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:korvane-icon> 128 ${KORVANE_ICON}
  DEPENDS korvane-icon
  COMMENT "Drawing the desktop icon"
  VERBATIM)
add_custom_target(korvane_icon ALL DEPENDS ${KORVANE_ICON})
install(FILES ${KORVANE_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Nortevia Sistemas")
set(CPACK_PACKAGE_CONTACT "Nortevia Sistemas <suporte@nortevia.com.br>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Consulta à Tabela Unificada de Procedimentos do SUS (SIGTAP)")
set(CPACK_PACKAGE_DESCRIPTION "Korvane finds a SUS procedure by code or name, narrows it by the table's hierarchy,
shows its values, limits and every related list (CID-10, CBO, compatible procedures,
qualifications), looks up CBO occupations and CID-10 diagnoses, loads each monthly
SIGTAP release and prints procedure lists and sheets.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries the programs link come from dpkg-shlibdeps; what they load
# at run time is named here: the embedded engine, the window system's plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "firebird3.0-server-core, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, firebird3.0-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird3.0-server")
include(CPack)
