# Install rules and the Debian package (tools/package.sh builds it).
#
# The program finds its plugins and both configuration files beside its own
# executable, so all of them lie together in /usr/lib/diduradozori; the
# configuration files themselves are conffiles in /etc/diduradozori, reached
# through links. /usr/bin/diduradozori is a link too: /proc/self/exe still
# names DiduRaDozori, and the application title stays "Diduradozori".

set(DIDU_VERSION ${PROJECT_VERSION})
set(DIDU_APP_ID org.diduradozori.diduradozori)
set(didu_pkg_src ${CMAKE_SOURCE_DIR}/packaging)
set(didu_pkg_out ${CMAKE_BINARY_DIR}/packaging)
set(didu_libdir lib/diduradozori)
set(didu_etc /etc/diduradozori)
file(MAKE_DIRECTORY ${didu_pkg_out})

install(TARGETS DiduRaDozori RUNTIME DESTINATION ${didu_libdir})
install(TARGETS dbxint midas LIBRARY DESTINATION ${didu_libdir}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The links are made here and installed as links. The ones into /etc are
# absolute (another top-level folder), the one within /usr relative.
foreach(ini dbxconnections.ini dbxdrivers.ini)
  file(CREATE_LINK ${didu_etc}/${ini} ${didu_pkg_out}/${ini} SYMBOLIC)
  install(FILES ${didu_pkg_out}/${ini} DESTINATION ${didu_libdir})
endforeach()
file(CREATE_LINK ../lib/diduradozori/DiduRaDozori ${didu_pkg_out}/diduradozori SYMBOLIC)
install(FILES ${didu_pkg_out}/diduradozori DESTINATION bin)

install(FILES ${didu_pkg_src}/dbxdrivers.ini DESTINATION ${didu_etc})
# Holds the password: root and the group (set by the maintainer script) only.
install(FILES ${didu_pkg_src}/dbxconnections.ini DESTINATION ${didu_etc}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)

install(FILES ${didu_pkg_src}/${DIDU_APP_ID}.desktop DESTINATION share/applications)
configure_file(${didu_pkg_src}/${DIDU_APP_ID}.metainfo.xml ${didu_pkg_out}/${DIDU_APP_ID}.metainfo.xml @ONLY)
install(FILES ${didu_pkg_out}/${DIDU_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# Files made by the target didu_package_files, which only tools/package.sh
# builds: the icon at the menu's sizes (from the 32 x 32 program icon), the
# manual page and the changelog, compressed as Debian wants them.
find_program(DIDU_CONVERT convert)
find_program(DIDU_GZIP gzip REQUIRED)
set(didu_icon_sizes 16 22 24 32 48 64 128 256)
set(didu_made)
foreach(size ${didu_icon_sizes})
  set(icon ${didu_pkg_out}/icons/${size}/diduradozori.png)
  # Whole multiples keep the cubes' edges sharp; other sizes are filtered.
  math(EXPR rest "${size} % 32")
  if(rest EQUAL 0)
    set(filter -filter point)
  else()
    set(filter)
  endif()
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${didu_pkg_out}/icons/${size}
    COMMAND ${DIDU_CONVERT} ${CMAKE_SOURCE_DIR}/resources/mainicon.png ${filter}
            -resize ${size}x${size} -strip -define png:exclude-chunks=date,time PNG32:${icon}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/mainicon.png VERBATIM)
  list(APPEND didu_made ${icon})
  install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

foreach(doc diduradozori.1 changelog)
  configure_file(${didu_pkg_src}/${doc} ${didu_pkg_out}/${doc} @ONLY)
  add_custom_command(OUTPUT ${didu_pkg_out}/${doc}.gz
    COMMAND ${DIDU_GZIP} -9nf --keep ${didu_pkg_out}/${doc}
    DEPENDS ${didu_pkg_out}/${doc} VERBATIM)
  list(APPEND didu_made ${didu_pkg_out}/${doc}.gz)
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/DiduPackageTransfer.cmake)
add_custom_target(didu_package_files DEPENDS ${didu_made})
install(FILES ${didu_pkg_out}/diduradozori.1.gz DESTINATION share/man/man1)
install(FILES ${didu_pkg_out}/changelog.gz ${didu_pkg_src}/copyright DESTINATION share/doc/diduradozori)
install(FILES ${CMAKE_SOURCE_DIR}/tools/sales-schema.sql ${CMAKE_SOURCE_DIR}/tools/demo-data.sql
  DESTINATION share/doc/diduradozori/examples)
install(FILES ${didu_pkg_src}/lintian-overrides DESTINATION share/lintian/overrides RENAME diduradozori)
install(FILES ${didu_pkg_src}/tmpfiles.conf DESTINATION lib/tmpfiles.d RENAME diduradozori.conf)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME diduradozori)
set(CPACK_PACKAGE_VERSION ${DIDU_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "DiduRaDozori maintainers <maintainers@users.noreply.c-seed-775073bc.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "make every customer of a sales database a member")
set(CPACK_PACKAGE_DESCRIPTION "Diduradozori is one window with OK and Cancel. OK reads every customer of
the shop's Firebird database and gives each customer without a member row a
new member row; members written before an error stay, and pressing OK again
adds what is still missing.
.
The connection is set up in /etc/diduradozori/dbxconnections.ini, readable by
the group diduradozori, which operators join. The database is a file opened
through Firebird's embedded engine or a database on a Firebird server.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds Qt and libjpeg from the files; the client library is
# opened with dlopen and the embedded engine is a plugin of that library, so
# both are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The embedded engine of the release the package is built on (Debian 12:
# 3.0, Debian 13: 4.0): one engine per machine, since two share the lock
# folder and trip over each other's lock files.
execute_process(COMMAND dpkg-query -W -f=\${Version} libfbclient2
  OUTPUT_VARIABLE didu_fbclient RESULT_VARIABLE didu_fbclient_missing ERROR_QUIET)
if(didu_fbclient_missing OR NOT didu_fbclient MATCHES "^([0-9]+:)?([0-9]+\\.[0-9]+)")
  message(FATAL_ERROR "libfbclient2 is not installed: run tools/setup.sh")
endif()
set(DIDU_FIREBIRD ${CMAKE_MATCH_2})
# systemd-tmpfiles (systemd, or systemd-standalone-tmpfiles without it) gives
# the engine's lock folder the access list that lets the operators in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfbclient2, firebird${DIDU_FIREBIRD}-server-core, adduser, systemd-tmpfiles")
# The window's texts are Chinese: a font with CJK glyphs shows them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-zenhei | fonts-noto-cjk")
# isql-fb and gbak make, copy and check the database.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "firebird${DIDU_FIREBIRD}-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${didu_pkg_src}/postinst ${didu_pkg_src}/postrm ${didu_pkg_out}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(WRITE ${didu_pkg_out}/conffiles "${didu_etc}/dbxconnections.ini\n${didu_etc}/dbxdrivers.ini\n")
include(CPack)
