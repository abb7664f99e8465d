# Run by CPack on the files staged for the package (CPACK_PRE_BUILD_SCRIPTS): strips every ELF file as
# Debian's dh_strip does, of its symbols and debugging sections and also of the compiler's .comment and .note
# sections, which nothing reads at run time.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND "${CPACK_STRATOLUX_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot strip ${file}: ${errors}")
  endif()
endforeach()
