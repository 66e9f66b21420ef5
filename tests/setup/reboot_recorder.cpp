// Stands in for OrvDx2ReBoot32.exe in the setup tool's tests: records that it was started.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    while (length > 0 && path[length - 1] != '\\')
        --length;
    lstrcpyA(path + length, "reboot-started.txt");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = GetCommandLineA();
    DWORD written;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
    return 0;
}
