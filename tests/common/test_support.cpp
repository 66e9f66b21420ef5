#include "test_support.h"

#include <cstdio>
#include <cstdlib>

namespace dormex_test {

#ifdef _WIN64
const char kAppFileName[] = "OrvDx2App64.exe";
const char kDemonFileName[] = "OrvDx2Demon64.exe";
#else
const char kAppFileName[] = "OrvDx2App32.exe";
const char kDemonFileName[] = "OrvDx2Demon32.exe";
#endif

std::string TestDir() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string result(path, length);
    return result.substr(0, result.find_last_of("\\/") + 1);
}

std::string BinDir() {
    std::string tests = TestDir(); // <build>\tests\ .
    std::string build = tests.substr(0, tests.find_last_of("\\/", tests.size() - 2) + 1);
    return build + "bin\\";
}

LANGID ExpectedLanguage() {
    const char* value = getenv("DORMEX_EXPECT_LANG");
    return value ? static_cast<LANGID>(atoi(value)) : 0;
}

ScratchDir::ScratchDir() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static LONG counter = 0;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%sdormex-test-%lu-%ld\\", temp, GetCurrentProcessId(),
                 InterlockedIncrement(&counter));
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

ScratchDir::~ScratchDir() {
    RemoveTree(path_);
}

void RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(base + name);
            else {
                SetFileAttributesA((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((base + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(base.c_str());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        Sleep(10);
    }
}

} // namespace dormex_test
