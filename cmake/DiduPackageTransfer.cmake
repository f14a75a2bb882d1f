# The command-line transfer in the package: the program beside the window's
# (so it finds the same plugins and configuration-file links beside itself),
# /usr/bin/diduradozori-transfer as a link to it (/proc/self/exe still names
# the real file), its systemd units and its manual page. Included by
# DiduPackage.cmake, whose folders and file list it uses.

install(TARGETS diduradozori-transfer RUNTIME DESTINATION ${didu_libdir})
file(CREATE_LINK ../lib/diduradozori/diduradozori-transfer ${didu_pkg_out}/diduradozori-transfer SYMBOLIC)
install(FILES ${didu_pkg_out}/diduradozori-transfer DESTINATION bin)

# Under /usr/lib, where Debian keeps the units that packages ship; the timers
# are not enabled here: the shop chooses to run the transfer every night.
install(FILES ${didu_pkg_src}/diduradozori-transfer.service ${didu_pkg_src}/diduradozori-transfer.timer
              ${didu_pkg_src}/diduradozori-transfer@.service ${didu_pkg_src}/diduradozori-transfer@.timer
  DESTINATION lib/systemd/system)

configure_file(${didu_pkg_src}/diduradozori-transfer.1 ${didu_pkg_out}/diduradozori-transfer.1 @ONLY)
add_custom_command(OUTPUT ${didu_pkg_out}/diduradozori-transfer.1.gz
  COMMAND ${DIDU_GZIP} -9nf --keep ${didu_pkg_out}/diduradozori-transfer.1
  DEPENDS ${didu_pkg_out}/diduradozori-transfer.1 VERBATIM)
list(APPEND didu_made ${didu_pkg_out}/diduradozori-transfer.1.gz)
install(FILES ${didu_pkg_out}/diduradozori-transfer.1.gz DESTINATION share/man/man1)
