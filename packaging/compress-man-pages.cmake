# Install script: compresses the manual pages installed uncompressed, as Debian wants them
# (gzip -9n: no name or timestamp inside, so the same page gives the same bytes).
file(GLOB pages "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/man/man[1-8]/*.[1-8]")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9 -n -f ${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
