# The Debian package: `cpack -G DEB` in a build directory makes kestavon_<version>_<arch>.deb with
# what the install rules install (the program, its desktop entry and icons, the README), its
# library dependencies found by dpkg-shlibdeps.
include(GNUInstallDirs)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestavon)
install(FILES ${PROJECT_SOURCE_DIR}/docs/render-xy.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestavon/docs)

set(CPACK_PACKAGE_NAME kestavon)
set(CPACK_PACKAGE_VENDOR "Kestavon")
set(CPACK_PACKAGE_CONTACT "Kestavon developers <kestavon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Integrates a three-variable chaotic oscillator and draws its trajectory")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestavon integrates a three-variable chaotic oscillator with the classical Runge-Kutta \
method and draws its trajectory in a window, projected onto the x-y plane or in an oblique \
three-dimensional view. With --render it writes the same picture as PNG without a display.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
include(CPack)
