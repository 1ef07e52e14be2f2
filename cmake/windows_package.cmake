# The program for Windows users: `cpack -G ZIP` in the build folder (scripts/windows runs it) makes
# kestavon-<version>-windows-x86_64.zip: kestavon.exe, this README and the licence, in a folder of
# that name.
install(TARGETS kestavon RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
set(CPACK_PACKAGE_NAME kestavon)
set(CPACK_PACKAGE_VENDOR "Kestavon")
set(CPACK_PACKAGE_FILE_NAME kestavon-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
include(CPack)
