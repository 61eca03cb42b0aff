# clickwisp_install_desktop_entry(SOURCE) installs the .desktop file SOURCE
# with Exec= the installed program's absolute path (install_desktop_entry.cmake).
function(clickwisp_install_desktop_entry source)
  install(CODE "set(CLICKWISP_DESKTOP_SOURCE \"${source}\")
include(\"${CMAKE_SOURCE_DIR}/cmake/install_desktop_entry.cmake\")")
endfunction()
