# Installation (cmake --install build --prefix P) and the Debian package
# (cpack --config build/CPackConfig.cmake): the three programs, the desktop
# entry with its MIME types, the icon in the theme's sizes, a man page for
# each program and the copyright file.
include(GNUInstallDirs)

install(TARGETS hypsa hypsa-grid hypsa-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/hypsa.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The licence, in Debian's machine-readable copyright format.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hypsa)
install(FILES packaging/hypsa-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME hypsa.xml)
# Drawn by scripts/make-icons.py.
foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
  install(FILES packaging/icons/${size}x${size}/hypsa.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Man pages: help2man turns each program's own --help and --version into
# the page's options, so that the page lists every option the program has;
# docs/man/PROGRAM.h2m adds what --help does not say (keys, mouse, menus,
# files, examples). Installed compressed.
find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)
set(HYPSA_MAN_NAME_hypsa "draw terrain height grids as line drawings")
set(HYPSA_MAN_NAME_hypsa-grid "run grid operations on a terrain grid from the command line")
set(HYPSA_MAN_NAME_hypsa-render "draw one frame of a terrain grid into a PNG picture, or its lines into an SVG or PDF file")
set(HYPSA_MAN_PAGES)
foreach(program IN ITEMS hypsa hypsa-grid hypsa-render)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${HELP2MAN} --no-info --section=1 --manual=User\ Commands
            "--source=NPR Hypsa Viewer ${PROJECT_VERSION}" "--name=${HYPSA_MAN_NAME_${program}}"
            --include=${CMAKE_SOURCE_DIR}/docs/man/${program}.h2m --output=${page} $<TARGET_FILE:${program}>
    DEPENDS ${program} ${CMAKE_SOURCE_DIR}/docs/man/${program}.h2m VERBATIM)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${GZIP} -9nf -k ${page}
    DEPENDS ${page} VERBATIM)
  list(APPEND HYPSA_MAN_PAGES ${page}.gz)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${HYPSA_MAN_PAGES})
install(FILES ${HYPSA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hypsa)
set(CPACK_PACKAGE_VENDOR "NPR Hypsa Viewer developers")
set(CPACK_PACKAGE_CONTACT "NPR Hypsa Viewer developers <hypsa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "terrain height grid viewer drawing in lines")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop viewer for terrain height grids that draws silhouettes, light silhouettes and curvature strokes, and changes the terrain's resolution by multiresolution subdivision; with the batch tools hypsa-grid and hypsa-render.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The dependencies are the packages of the shared libraries the programs
# link, found by dpkg-shlibdeps (dpkg-dev). Debian's libqt6gui6 carries the
# X11 platform plugin itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# hypsa-render draws without a display through Mesa's EGL and its software
# renderer, which no linked library names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl-mesa0, libgl1-mesa-dri")
include(CPack)
