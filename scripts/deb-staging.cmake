# Run by cpack on the staged tree of the Debian package, before packing:
# manual pages compressed with gzip -9n (no name or time stamp, so the
# package is reproducible), static libraries without debug information.
# Shared objects and programs are stripped by cpack itself, their debug
# information going into the -dbgsym package.
set(staged "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(GLOB pages "${staged}/share/man/man[1-9]/*.[1-9]")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf "${page}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
file(GLOB_RECURSE archives "${staged}/lib/*.a")
foreach(archive IN LISTS archives)
  execute_process(COMMAND "${CPACK_SEIS_STRIP}" --strip-debug --enable-deterministic-archives "${archive}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
