# The Wayland backend's protocol code. xdg-output comes with the
# wayland-protocols package; the wlroots protocols and the virtual keyboard
# are in no Debian 12 binary package, so scripts/install-deps.sh keeps their
# XML files from the wlroots source package in CLICKWISP_WLR_PROTOCOLS.
# Sets CLICKWISP_WAYLAND_FOUND and, when found, the target
# clickwisp_wayland_protocols (the generated client code and headers).

set(CLICKWISP_WLR_PROTOCOLS /opt/clickwisp/wlr-protocols
    CACHE PATH "Folder with the wlroots protocol XML files (scripts/install-deps.sh fills it)")
set(CLICKWISP_WAYLAND_FOUND OFF)

find_package(PkgConfig QUIET)
if(NOT PkgConfig_FOUND)
  message(STATUS "Wayland backend: not built (pkg-config missing)")
  return()
endif()
pkg_check_modules(CLICKWISP_WL QUIET IMPORTED_TARGET wayland-client xkbcommon)
pkg_get_variable(CLICKWISP_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_get_variable(CLICKWISP_WAYLAND_SCANNER wayland-scanner wayland_scanner)
set(CLICKWISP_WAYLAND_XML
    ${CLICKWISP_WAYLAND_PROTOCOLS_DIR}/unstable/xdg-output/xdg-output-unstable-v1.xml
    ${CLICKWISP_WLR_PROTOCOLS}/wlr-virtual-pointer-unstable-v1.xml
    ${CLICKWISP_WLR_PROTOCOLS}/wlr-screencopy-unstable-v1.xml
    ${CLICKWISP_WLR_PROTOCOLS}/virtual-keyboard-unstable-v1.xml)
set(missing "")
if(NOT TARGET PkgConfig::CLICKWISP_WL)
  list(APPEND missing "libwayland-client or xkbcommon")
endif()
if(NOT CLICKWISP_WAYLAND_SCANNER OR NOT EXISTS "${CLICKWISP_WAYLAND_SCANNER}")
  list(APPEND missing "wayland-scanner")
endif()
foreach(xml ${CLICKWISP_WAYLAND_XML})
  if(NOT EXISTS ${xml})
    list(APPEND missing ${xml})
  endif()
endforeach()
if(missing)
  message(STATUS "Wayland backend: not built, missing: ${missing} (scripts/install-deps.sh installs them)")
  return()
endif()

# KWin's fake input, for the KDE backend (plasma-wayland-protocols); the
# wlroots backend builds without it. Sets CLICKWISP_KWIN_PROTOCOL_FOUND.
set(CLICKWISP_KWIN_PROTOCOL_FOUND OFF)
find_package(PlasmaWaylandProtocols QUIET)
if(PlasmaWaylandProtocols_FOUND AND EXISTS ${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml)
  list(APPEND CLICKWISP_WAYLAND_XML ${PLASMA_WAYLAND_PROTOCOLS_DIR}/fake-input.xml)
  set(CLICKWISP_KWIN_PROTOCOL_FOUND ON)
else()
  message(STATUS "KWin backend: not built (plasma-wayland-protocols missing; scripts/install-deps.sh installs it)")
endif()

enable_language(C)
set(generated ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${generated})
set(sources "")
foreach(xml ${CLICKWISP_WAYLAND_XML})
  get_filename_component(name ${xml} NAME_WE)
  add_custom_command(OUTPUT ${generated}/${name}-client-protocol.h
    COMMAND ${CLICKWISP_WAYLAND_SCANNER} client-header ${xml} ${generated}/${name}-client-protocol.h
    DEPENDS ${xml} VERBATIM)
  add_custom_command(OUTPUT ${generated}/${name}-protocol.c
    COMMAND ${CLICKWISP_WAYLAND_SCANNER} private-code ${xml} ${generated}/${name}-protocol.c
    DEPENDS ${xml} VERBATIM)
  list(APPEND sources ${generated}/${name}-client-protocol.h ${generated}/${name}-protocol.c)
endforeach()
add_library(clickwisp_wayland_protocols STATIC ${sources})
target_include_directories(clickwisp_wayland_protocols SYSTEM PUBLIC ${generated})
target_link_libraries(clickwisp_wayland_protocols PUBLIC PkgConfig::CLICKWISP_WL)
set(CLICKWISP_WAYLAND_FOUND ON)
