# kestavon_debian_source(PACKAGE VARIABLE): sets VARIABLE to a folder holding Debian's source
# package PACKAGE of this release, unpacked with Debian's patches: the cache variable
# KESTAVON_<PACKAGE>_SOURCE_DIR when set, else the package fetched once into build/sources (shared
# by the build folders) by scripts/lib/debian_source.sh. For a cross build of a library that
# Debian does not build for the target.
function(kestavon_debian_source package variable)
  string(MAKE_C_IDENTIFIER "${package}" name)
  string(TOUPPER "${name}" name)
  set(KESTAVON_${name}_SOURCE_DIR "" CACHE PATH
      "Sources of ${package} (empty: Debian's source package, fetched into build/sources)")
  set(folder "${KESTAVON_${name}_SOURCE_DIR}")
  if(folder STREQUAL "")
    execute_process(
      COMMAND ${PROJECT_SOURCE_DIR}/scripts/lib/debian_source.sh ${package}
              ${PROJECT_SOURCE_DIR}/build/sources
      OUTPUT_VARIABLE folder OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
    if(NOT status EQUAL 0 OR NOT IS_DIRECTORY "${folder}")
      message(FATAL_ERROR "Debian's source package ${package} could not be fetched (it needs "
                          "apt, dpkg-dev and deb.debian.org); set KESTAVON_${name}_SOURCE_DIR "
                          "to its sources instead.")
    endif()
  endif()
  set(${variable} "${folder}" PARENT_SCOPE)
endfunction()
