#pragma once

// Between DbusValue and sd-bus messages; used by the D-Bus files only.
#include "core/error.h"
#include "platform/dbus_value.h"

#include <systemd/sd-bus.h>

#include <string>
#include <vector>

namespace clickwisp {

// Appends value to the message; a negative errno when sd-bus refuses it.
int appendDbusValue(sd_bus_message* message, const DbusValue& value);
// Reads the message's arguments from its current position to its end.
Result<std::vector<DbusValue>> readDbusArguments(sd_bus_message* message);

// "Interface.Method: org.freedesktop.DBus.Error.Name: message".
std::string dbusErrorText(const std::string& interface, const std::string& method, const sd_bus_error& error, int code);

} // namespace clickwisp
