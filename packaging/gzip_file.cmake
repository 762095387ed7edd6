# pendula_gzip_file(SOURCE OUTPUT): OUTPUT is SOURCE compressed by gzip -9n (best compression, no
# file name or time stamp), remade whenever the build is configured; a change to SOURCE configures
# it again.
function(pendula_gzip_file source output)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9n -c ${source} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
