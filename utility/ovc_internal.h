// Helpers shared by the utility library's own source files; not exported.
#pragma once

#include <windows.h>
#include <string>

// Whole unsigned decimal number in 0..4294967295, nothing else; false leaves value untouched.
bool OvcParseUInt(const std::string& text, UINT* value);
