# The system-wide installation (NIMBULO_SYSTEM_INSTALL, see cmake/SystemInstall.cmake) and the
# Debian package made from it by CPack: `cmake --build <dir> --target package` in a Release
# build configured with -DNIMBULO_SYSTEM_INSTALL=ON -DCMAKE_INSTALL_PREFIX=/usr
# (scripts/package.sh does both) writes nimbulo_<version>_<arch>.deb.
if(NOT NIMBULO_SYSTEM_INSTALL)
  return()
endif()

set(NIMBULO_MAINTAINER "Nimbulo maintainers <maintainers@users.noreply.c-seed-fef9503e.example>"
    CACHE STRING "The package's Maintainer field")
set(_data ${PROJECT_SOURCE_DIR}/data)
set(_gen ${PROJECT_BINARY_DIR}/package)

# The programs, on the path; the monitor as `nimbulo`.
set_target_properties(weather PROPERTIES OUTPUT_NAME nimbulo)
install(TARGETS weather nimsaver nimsetup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The monitor's transfer helper, where the monitor looks from the path's folder.
install(TARGETS nimbulo-transfer RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/nimbulo)

# What a per-user program folder is given (common/program_folder.h).
install(FILES ${_data}/weather.ini ${_data}/readme.txt DESTINATION ${NIMBULO_SHIPPED_DIR})
install(FILES ${PROJECT_BINARY_DIR}/weather/Media/Ding.wav DESTINATION ${NIMBULO_SHIPPED_DIR}/Media)
install(FILES ${_data}/screenshots/nimbulo-main.png DESTINATION ${NIMBULO_SHIPPED_DIR}/screenshots)

# Desktop entry, AppStream metadata (cmake/Metainfo.cmake fills in the build's addresses).
configure_file(${_data}/nimbulo.desktop ${_gen}/${NIMBULO_APP_ID}.desktop COPYONLY)
install(FILES ${_gen}/${NIMBULO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
include(${CMAKE_CURRENT_LIST_DIR}/Metainfo.cmake)
nimbulo_metainfo(${_gen}/${NIMBULO_APP_ID}.metainfo.xml)
install(FILES ${_gen}/${NIMBULO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons in the hicolor theme: the scalable one, and PNGs drawn from it; the small sizes from
# the drawing made for 16 px, which stays legible there.
find_program(NIMBULO_RSVG rsvg-convert REQUIRED)
install(FILES ${_data}/icons/nimbulo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(_pngs)
foreach(size 16 22 24 32 48 64 128 256)
  if(size LESS 32)
    set(_svg ${_data}/icons/nimbulo-16.svg)
  else()
    set(_svg ${_data}/icons/nimbulo.svg)
  endif()
  set(_png ${_gen}/icons/${size}/nimbulo.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icons/${size}
    COMMAND ${NIMBULO_RSVG} -w ${size} -h ${size} -o ${_png} ${_svg}
    DEPENDS ${_svg})
  list(APPEND _pngs ${_png})
  install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(nimbulo_icons ALL DEPENDS ${_pngs})

# Manual pages, compressed as Debian keeps them (no time stamp inside: the same bytes each build).
set(_mans)
foreach(page nimbulo nimsaver nimsetup)
  set(_man ${_gen}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${_man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/man
    COMMAND gzip -9n -c ${_data}/man/${page}.1 > ${_man}
    DEPENDS ${_data}/man/${page}.1)
  list(APPEND _mans ${_man})
  install(FILES ${_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# copyright and the Debian changelog.
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/nimbulo)
add_custom_command(OUTPUT ${_gen}/changelog.gz
  COMMAND gzip -9n -c ${_data}/debian/changelog > ${_gen}/changelog.gz
  DEPENDS ${_data}/debian/changelog)
add_custom_target(nimbulo_docs ALL DEPENDS ${_mans} ${_gen}/changelog.gz)
install(FILES ${_data}/debian/copyright ${_gen}/changelog.gz DESTINATION ${_doc})

# The package. Its dependencies come from the programs' libraries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nimbulo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the libraries do not name them: Qt SQL's SQLite driver for the record,
# the event-sound library for the alarm's ding.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libcanberra0")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NIMBULO_MAINTAINER}")
if(NOT NIMBULO_HOME_PAGE STREQUAL "")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NIMBULO_HOME_PAGE}")
endif()
# The certificates for https, and the Wayland platform plugin where it is the session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland, xscreensaver")
file(READ ${_data}/debian/description _description)
string(STRIP "${_description}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
