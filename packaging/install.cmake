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

install(TARGETS utsushi utsushi-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/utsushi.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/utsushi.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/commands.md
              ${PROJECT_SOURCE_DIR}/docs/text.md ${PROJECT_SOURCE_DIR}/docs/tutorial.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME utsushi)
set(CPACK_PACKAGE_VENDOR "utsushi")
set(CPACK_PACKAGE_CONTACT "utsushi developers <utsushi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script-driven engine for visual novels")
set(CPACK_PACKAGE_DESCRIPTION
    "utsushi runs visual novels and picture-and-text presentations written as scripts: sprites on an 800 x 600 stage with transitions, Japanese message text with ruby and a backlog, Ogg Vorbis sound, saves and settings. utsushi-pack makes new games and packs finished ones.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked, so dpkg-shlibdeps cannot see them: OpenGL through
# libepoxy, and the faces fontconfig is asked for.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1, fonts-ipafont-gothic, fonts-ipafont-mincho")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
include(CPack)
