# Run by CPack on its staging tree before the package is made: compresses
# every manual page with gzip -9n, as Debian packages carry them.

file(GLOB_RECURSE pages "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/share/man/man*/*.[0-9]")
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page IN LISTS pages)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${page} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${page}")
  endif()
endforeach()
