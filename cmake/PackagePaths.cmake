# The paths compiled into the programs besides the database: the report
# projects and the release a first start makes the database from.
#
# A build for this machine names them whole. A build to be installed
# (KORVANE_PACKAGE) names them from the folder of the installed programs
# ("../share/korvane/..."), which the programs resolve when they run, so the
# tree works under any prefix and wherever dpkg unpacked it.
include(GNUInstallDirs)

# The empty database a creation copies, made by the build (korvane-template).
set(KORVANE_TEMPLATE_NAME "KORVANE_VAZIO.GDB")
set(KORVANE_TEMPLATE_BUILT "${CMAKE_BINARY_DIR}/${KORVANE_TEMPLATE_NAME}")

# The release that ships with the program, newest first when there are several.
file(GLOB _korvane_releases ${CMAKE_SOURCE_DIR}/data/TabelaUnificada_*.zip)
set(KORVANE_RELEASE_SOURCE "")
if(_korvane_releases)
  list(SORT _korvane_releases ORDER DESCENDING)
  list(GET _korvane_releases 0 KORVANE_RELEASE_SOURCE)
endif()

if(KORVANE_PACKAGE)
  file(RELATIVE_PATH _korvane_share "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATADIR}/korvane")
  set(KORVANE_REPORTS_DIR "${_korvane_share}/RELATORIOS")
  set(KORVANE_TEMPLATE_DATABASE "${_korvane_share}/${KORVANE_TEMPLATE_NAME}")
  set(KORVANE_SHIPPED_RELEASE "")
  if(KORVANE_RELEASE_SOURCE)
    get_filename_component(_korvane_release_name "${KORVANE_RELEASE_SOURCE}" NAME)
    set(KORVANE_SHIPPED_RELEASE "${_korvane_share}/${_korvane_release_name}")
  endif()
  # Copied at build time only so that the build tree holds what it installs.
  set(KORVANE_BUILD_REPORTS_DIR "${CMAKE_BINARY_DIR}/RELATORIOS")
else()
  set(KORVANE_REPORTS_DIR "${KORVANE_DATA_DIR}/RELATORIOS")
  set(KORVANE_TEMPLATE_DATABASE "${KORVANE_TEMPLATE_BUILT}")
  set(KORVANE_SHIPPED_RELEASE "${KORVANE_RELEASE_SOURCE}")
  string(REGEX REPLACE "^~/" "$ENV{HOME}/" KORVANE_BUILD_REPORTS_DIR "${KORVANE_REPORTS_DIR}")
endif()
