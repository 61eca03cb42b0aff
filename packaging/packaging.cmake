# Included at the end of the top CMakeLists.txt, once the programs and the
# backend list (CLICKWISP_BACKENDS) are known:
#   - build_info.h: the version of project(VERSION ...) and the backends, for
#     clickwisp-cli --version and the About box;
#   - what a Linux install has beside the programs: manual pages, AppStream
#     metadata, the Debian copyright and changelog, an example list;
#   - the .deb, built by `cpack -G DEB` in the build folder (scripts/package.sh).
# The menu entry and the icons are installed by ui/CMakeLists.txt.

set(CLICKWISP_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CLICKWISP_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

list(JOIN CLICKWISP_BACKENDS ", " CLICKWISP_BACKENDS_TEXT)
configure_file(${CLICKWISP_PACKAGING_DIR}/build_info.h.in ${CMAKE_BINARY_DIR}/generated/build_info.h @ONLY)
add_library(build_info INTERFACE)
target_include_directories(build_info INTERFACE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(clickwisp-cli PRIVATE build_info)
foreach(ui clickwisp_ui clickwisp_win32_ui)
  if(TARGET ${ui})
    target_link_libraries(${ui} PUBLIC build_info)
  endif()
endforeach()

# A Windows build takes only the version header.
if(WIN32)
  return()
endif()

# ---- installed documentation

set(CLICKWISP_DOC_DIR share/doc/clickwisp)

# Manual pages and the changelog are installed compressed (gzip -n: no name or
# time stamp inside, so the package is the same on every build).
set(CLICKWISP_COMPRESSED)
function(clickwisp_compressed source output)
  set(plain ${CLICKWISP_PACKAGING_OUT}/${output})
  configure_file(${CLICKWISP_PACKAGING_DIR}/${source} ${plain} @ONLY)
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND gzip -9 -n -k -f ${plain}
    DEPENDS ${plain} ${CLICKWISP_PACKAGING_DIR}/${source}
    COMMENT "Compressing ${output}" VERBATIM)
  set(CLICKWISP_COMPRESSED ${CLICKWISP_COMPRESSED} ${plain}.gz PARENT_SCOPE)
endfunction()

clickwisp_compressed(clickwisp-cli.1.in clickwisp-cli.1)
install(FILES ${CLICKWISP_PACKAGING_OUT}/clickwisp-cli.1.gz DESTINATION share/man/man1)
if(TARGET clickwisp)
  clickwisp_compressed(clickwisp.1.in clickwisp.1)
  install(FILES ${CLICKWISP_PACKAGING_OUT}/clickwisp.1.gz DESTINATION share/man/man1)
  install(FILES ${CLICKWISP_PACKAGING_DIR}/io.github.clickwisp.Clickwisp.metainfo.xml DESTINATION share/metainfo)
endif()
# Not a menu entry (NoDisplay): KWin grants clickwisp-cli its fake input and
# ScreenShot2 by this file.
clickwisp_install_desktop_entry(${CLICKWISP_PACKAGING_DIR}/io.github.clickwisp.ClickwispCli.desktop)
clickwisp_compressed(changelog changelog)
install(FILES ${CLICKWISP_PACKAGING_OUT}/changelog.gz ${CLICKWISP_PACKAGING_DIR}/copyright
        DESTINATION ${CLICKWISP_DOC_DIR})
install(FILES ${CLICKWISP_PACKAGING_DIR}/example.xml DESTINATION ${CLICKWISP_DOC_DIR}/examples)
add_custom_target(packaging_files ALL DEPENDS ${CLICKWISP_COMPRESSED})

# ---- the Debian package

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clickwisp)
set(CPACK_PACKAGE_VENDOR "Clickwisp developers")
set(CPACK_PACKAGE_CONTACT "Clickwisp developers <support@clickwisp.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop macro recorder and player for X11")
set(CPACK_PACKAGE_DESCRIPTION "\
Clickwisp records mouse and keyboard input into action lists, lets you
edit them and plays them back once, a number of times or until stopped.
A click can go to a fixed point, or to where a colour or a picture is
found on the screen.

The package holds the desktop program clickwisp and the command-line tool
clickwisp-cli, which describes, plays and records list files and searches
the screen from scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # clickwisp_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://clickwisp.example/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the programs link come from dpkg-shlibdeps; Qt's platform
# plugins are loaded at run time, so no linked library names them: the X11
# one (qt6-qpa-plugins) and the Wayland one (qt6-wayland), without which
# the program aborts on a Wayland session that has no XWayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET clickwisp)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
endif()
include(CPack)
