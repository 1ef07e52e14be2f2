# The Debian package: `cpack -G DEB` in a build directory makes
# kestavon_<version>-<revision>_<arch>.deb with what the install rules install (the program, its
# desktop entry and icons, the manual page, the README with the pictures it shows, the Debian
# changelog and the copyright file), its library dependencies found by dpkg-shlibdeps, the program
# built with Debian's hardening (hardening.cmake) and stripped as Debian strips it.
# `lintian -I --pedantic` on it reports nothing.
include(GNUInstallDirs)
set(KESTAVON_DEBIAN_REVISION 1)
set(KESTAVON_DEBIAN_VERSION ${PROJECT_VERSION}-${KESTAVON_DEBIAN_REVISION})
set(doc ${CMAKE_INSTALL_DATADIR}/doc/kestavon)
install(TARGETS kestavon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# gzip -9n, as Debian wants its manual pages and changelogs: no name or time stamp inside, so the
# same source gives the same bytes.
find_program(GZIP gzip REQUIRED)
function(kestavon_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND sh -c "\"$0\" -9n < \"$1\" > \"$2\"" ${GZIP} ${source} ${output}
                     DEPENDS ${source} VERBATIM)
endfunction()
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/kestavon.1.gz)
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
kestavon_gzip(${PROJECT_SOURCE_DIR}/docs/kestavon.1 ${man_page})
kestavon_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian ${changelog})
add_custom_target(kestavon_documents DEPENDS ${man_page} ${changelog})
add_dependencies(kestavon kestavon_documents)  # so that the program's own build has them too

install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}
        DESTINATION ${doc})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kestavon)
# The pictures the README shows and the pages it links to.
file(GLOB pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/docs/render-xy.png ${PROJECT_SOURCE_DIR}/docs/screenshot.png
              ${PROJECT_SOURCE_DIR}/docs/screenshot-windows.png ${pages}
        DESTINATION ${doc}/docs)

set(CPACK_PACKAGE_NAME kestavon)
set(CPACK_PACKAGE_VENDOR "Kestavon")
set(CPACK_PACKAGE_CONTACT "Kestavon developers <developers@kestavon.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Integrates a three-variable chaotic oscillator and draws its trajectory")
# Lines of at most 80 characters, as Debian's description field wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Kestavon integrates a three-variable chaotic oscillator with the classical"
       "fourth-order Runge-Kutta method and draws its trajectory in a window,"
       "projected onto the x-y plane or in an oblique three-dimensional view."
       "With --render it writes the same picture as PNG without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_package.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KESTAVON_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
include(CPack)
