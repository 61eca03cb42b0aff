#pragma once

#include <windows.h>

#include <string>

namespace clickwisp {

// Opens an address with the user's default program (the shell's "open").
void OpenAddress(HWND owner, const char* url);

// The modal About box "About Clickwisp" over owner: the product caption,
// the backends built in, the licence, and the home page, the support address
// and the licence's text as links.
// A click anywhere else closes it. Its template is a resource of the program.
// backendName: the backend serving the session ("win32").
void ShowAboutBox(HWND owner, const std::string& backendName);

} // namespace clickwisp
