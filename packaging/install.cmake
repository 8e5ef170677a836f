# Install rules and the Debian package. `make install` (PREFIX, DESTDIR) and `make package`
# use these; the package installs below /usr and depends on the libraries the programs link
# (found by dpkg-shlibdeps) and on the Japanese faces the Windows font names map to.
include(GNUInstallDirs)

set(MAN_PAGES utsushi.1 utsushi-pack.1)
set(MAN_OUTPUTS "")
foreach(page ${MAN_PAGES})
  set(out ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/docs/${page}' > '${out}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}
    VERBATIM)
  list(APPEND MAN_OUTPUTS ${out})
endforeach()
add_custom_target(man_pages ALL DEPENDS ${MAN_OUTPUTS})

# The copyright file and the changelog name the maintainer and licence set in CMakeLists.txt.
# A version without its changelog entry stops the configure step: a package must say what
# changed in it.
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
file(STRINGS ${PROJECT_BINARY_DIR}/packaging/changelog CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT CHANGELOG_TOP MATCHES "^utsushi \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog.in: the first entry is \"${CHANGELOG_TOP}\", not version ${PROJECT_VERSION}")
endif()
set(CHANGELOG_GZ ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${CHANGELOG_GZ}
  COMMAND sh -c "gzip -9n -c '${PROJECT_BINARY_DIR}/packaging/changelog' > '${CHANGELOG_GZ}'"
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
  VERBATIM)
add_custom_target(changelog ALL DEPENDS ${CHANGELOG_GZ})

install(TARGETS utsushi utsushi-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/utsushi.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/utsushi.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/utsushi.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/commands.md
              ${PROJECT_BINARY_DIR}/packaging/copyright ${CHANGELOG_GZ}
              ${PROJECT_SOURCE_DIR}/docs/text.md ${PROJECT_SOURCE_DIR}/docs/tutorial.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME utsushi)
set(CPACK_PACKAGE_VENDOR "utsushi")
set(CPACK_PACKAGE_CONTACT "${UTSUSHI_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script-driven engine for visual novels")
# Lines of the long description stay within 80 columns, as dpkg and apt show them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "utsushi runs visual novels and picture-and-text presentations written as\n"
    "scripts: sprites on an 800 x 600 stage with transitions, Japanese message\n"
    "text with ruby and a backlog, Ogg Vorbis sound, saves and settings.\n"
    "utsushi-pack makes new games and packs finished ones.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# An engine that runs games (and presentations) written in its script language, with the
# tool that packs them: no game of its own, so not the games section.
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked, so dpkg-shlibdeps cannot see them: OpenGL through
# libepoxy, and the faces fontconfig is asked for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
include(CPack)
