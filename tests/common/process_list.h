// Processes that a program under test started on its own (the watchdog, the application), found
// by their program name so a test can end them by id.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// Ids of the running processes whose program file name is exeName ("OrvDx2Demon32.exe").
std::vector<DWORD> ProcessIdsNamed(const std::string& exeName);
// Terminates each of them by id and waits until they are gone.
void EndProcessesNamed(const std::string& exeName);

} // namespace dormex_test
