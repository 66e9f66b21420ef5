// The log lines of every Dormex process, as the log viewer shows them: the log mailslot has one
// reader, the viewer, so the demo reads the viewer's terminal control from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LogViewReader {
  public:
    explicit LogViewReader(HWND terminal) : terminal_(terminal) {}

    // Appends to fresh the lines the view has finished since the last call, oldest first.
    // False when the viewer no longer answers (it has ended).
    bool ReadNew(std::vector<std::string>* fresh);

  private:
    HWND terminal_;
    DWORD delivered_ = 0; // lines finished in the view that were handed out
};
