# The Debian package: `./package` (or `cpack` in a build folder) makes
# parvel_VERSION-1_ARCH.deb from what `cmake --install` puts under /usr.
set(PARVEL_MAINTAINER "Parvel maintainers <maintainers@parvel.invalid>"
    CACHE STRING "Maintainer field of the Debian package")

string(TIMESTAMP PARVEL_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)  # honours SOURCE_DATE_EPOCH
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
find_program(GZIP gzip)
if(GZIP)
  execute_process(COMMAND ${GZIP} -9nf ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION share/doc/parvel)
endif()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION share/doc/parvel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${PARVEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PARVEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Not "games": Debian keeps that section for packages with files in
# /usr/games, and two of the three programs are authors' tools.
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Qt platform plugin, which no library links; music wants
# a General MIDI soundfont and plays nothing without one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm")
# Read Aloud talks to the desktop's speech service, found when first used.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "speech-dispatcher")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for Tavishow illustrated story games")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Parvel plays Tavishow games: a folder holding a scene script, BMP pictures,
WAV sounds, MIDI music and AVI or MPG clips. Each scene shows a picture with
its animations and fades, a description, up to six options and the hit
points of a fight; some let the player walk a figure to hot spots.

Two tools for authors come along: spotter shows where a sprite stands over
a background, and tavi inspects, enciphers, lints and replays games without
a window. A small demo game is included.")
include(CPack)
