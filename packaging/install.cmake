# Installing the game the way a Linux desktop expects: the program in bin/, its
# generated content in share/korvask/base (the game finds it from its own
# place), a desktop entry, the icon in the theme's sizes and the AppStream
# description; and a .deb of the same tree.

install(TARGETS korvask RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# base/ as generated, without anything a run of the game left in it: an
# installed game keeps the player's files in the player's data folder. The
# player's files are the saves (menu.inf, settings.cfg, career.inf, the lap
# records and the ghosts), the kept
# copies of damaged ones (*.bad), the statistics page and the screenshots,
# wherever they lie; the temporaries are every name of
# packaging/temporary_names.txt (KORVASK_TEMPORARY_NAMES).
set(korvask_left_out)
foreach(name IN LISTS KORVASK_TEMPORARY_NAMES)
  list(APPEND korvask_left_out PATTERN "${name}" EXCLUDE)
endforeach()
install(DIRECTORY ${CMAKE_BINARY_DIR}/base
  DESTINATION ${CMAKE_INSTALL_DATADIR}/korvask
  PATTERN "icons" EXCLUDE
  PATTERN "screenshots" EXCLUDE
  PATTERN "korvask-*.png" EXCLUDE
  PATTERN "menu.inf" EXCLUDE
  PATTERN "career.inf" EXCLUDE
  PATTERN "settings.cfg" EXCLUDE
  PATTERN "records.dat" EXCLUDE
  PATTERN "ghost_*.dat" EXCLUDE
  PATTERN "*.bad" EXCLUDE
  PATTERN "stats.html" EXCLUDE
  PATTERN "*.tmp" EXCLUDE
  ${korvask_left_out})

install(FILES ${CMAKE_SOURCE_DIR}/packaging/korvask.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/io.korvask.Korvask.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES ${CMAKE_BINARY_DIR}/base/icons/korvask-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME korvask.png)
endforeach()

# `cpack -G DEB` (or the package target) builds korvask_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME korvask)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_VENDOR "The Korvask developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Night street racing through a lit city")
set(CPACK_PACKAGE_INSTALL_DIRECTORY korvask)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Korvask developers <korvask@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Night street racing through a lit city\n Race one of twelve cars over four laps of a city circuit against three\n rivals, win a career of fifteen races and tune the cars you earn.")
# dpkg-shlibdeps finds the exact library versions the program links; the
# named ones keep the package right where it cannot run. A software OpenGL
# driver and the desktop's opener for the statistics page are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Most of base/ is already-compressed sound; gzip packs it nearly as small and fast.
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, libopenal1, libvorbisfile3, libgl1, libglu1-mesa")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libgl1-mesa-dri")
include(CPack)
