# Install rules, which the Debian package (debian/, built by tools/package.sh)
# runs through debhelper: debhelper adds the units, the tmpfiles and sysusers
# entries, the copyright and changelog, the lintian overrides and the
# examples, and compresses the manual pages.
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
# Holds the password: root and the group (a statoverride in postinst) only.
install(FILES ${didu_pkg_src}/dbxconnections.ini DESTINATION ${didu_etc}
  PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ)

install(FILES ${didu_pkg_src}/${DIDU_APP_ID}.desktop DESTINATION share/applications)
configure_file(${didu_pkg_src}/${DIDU_APP_ID}.metainfo.xml ${didu_pkg_out}/${DIDU_APP_ID}.metainfo.xml @ONLY)
install(FILES ${didu_pkg_out}/${DIDU_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The icon at the menu's sizes, from the 32 x 32 program icon.
find_program(DIDU_CONVERT convert REQUIRED)
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
add_custom_target(didu_package_files ALL DEPENDS ${didu_made})

# The manual pages carry the version; debhelper compresses them.
configure_file(${didu_pkg_src}/diduradozori.1 ${didu_pkg_out}/diduradozori.1 @ONLY)
install(FILES ${didu_pkg_out}/diduradozori.1 DESTINATION share/man/man1)
include(${CMAKE_CURRENT_LIST_DIR}/DiduPackageTransfer.cmake)
