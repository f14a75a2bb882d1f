# The command-line transfer in the package: the program beside the window's
# (so it finds the same plugins and configuration-file links beside itself),
# /usr/bin/diduradozori-transfer as a link to it (/proc/self/exe still names
# the real file) and its manual page. Its systemd units are in debian/, where
# dh_installsystemd finds them. Included by DiduPackage.cmake, whose folders it
# uses.

install(TARGETS diduradozori-transfer RUNTIME DESTINATION ${didu_libdir})
file(CREATE_LINK ../lib/diduradozori/diduradozori-transfer ${didu_pkg_out}/diduradozori-transfer SYMBOLIC)
install(FILES ${didu_pkg_out}/diduradozori-transfer DESTINATION bin)

configure_file(${didu_pkg_src}/diduradozori-transfer.1 ${didu_pkg_out}/diduradozori-transfer.1 @ONLY)
install(FILES ${didu_pkg_out}/diduradozori-transfer.1 DESTINATION share/man/man1)
