// log_writer_helper LINE...: writes each LINE, ended by a line feed and a NUL, as one message
// into the log mailslot, the way the system's processes log. Exit code 0 when every line was
// written, 2 when the mailslot could not be opened, 3 when a write failed.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        HANDLE slot =
            CreateFileA("\\\\.\\mailslot\\OrvDormex\\log", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (slot == INVALID_HANDLE_VALUE)
            return 2;
        std::string message = std::string(argv[i]) + "\n";
        DWORD written = 0;
        BOOL ok = WriteFile(slot, message.c_str(), static_cast<DWORD>(message.size() + 1), &written, nullptr);
        CloseHandle(slot);
        if (!ok || written != message.size() + 1)
            return 3;
    }
    return 0;
}
