# Run at install time (install(CODE) sets CLICKWISP_DESKTOP_SOURCE): installs
# the .desktop file into share/applications with a relative Exec= program
# made the installed program's absolute path. KWin grants the interfaces an
# entry lists in X-KDE-Wayland-Interfaces and
# X-KDE-DBUS-Restricted-Interfaces only to the process whose executable is
# that path, and the prefix is known only now (CPack installs into /usr
# whatever CMAKE_INSTALL_PREFIX said at configure time).
file(READ "${CLICKWISP_DESKTOP_SOURCE}" entry)
string(REGEX REPLACE "\nExec=([^/\n][^\n]*)" "\nExec=${CMAKE_INSTALL_PREFIX}/bin/\\1" entry "${entry}")
get_filename_component(name "${CLICKWISP_DESKTOP_SOURCE}" NAME)
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/${name}")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
