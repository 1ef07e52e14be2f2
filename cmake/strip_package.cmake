# Run by cpack before it packs (CPACK_PRE_BUILD_SCRIPTS): strips the program in the staging folder
# as Debian's dh_strip does, debugging symbols and the compiler's .comment and .note sections.
find_program(STRIP NAMES strip REQUIRED)
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(COMMAND "${STRIP}" --remove-section=.comment --remove-section=.note "${program}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
