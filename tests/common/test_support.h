// What the Dormex tests share: paths of the build, scratch folders, files, polling.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dormex_test {

// Folder of the running test program, with its final backslash.
std::string TestDir();
// The folder of the programs and DLLs under test (<build>\bin\).
std::string BinDir();
// The file names of the application and the watchdog of the test's width ("OrvDx2App32.exe").
extern const char kAppFileName[];
extern const char kDemonFileName[];

// The language the test run expects (environment DORMEX_EXPECT_LANG), 0 when not given.
LANGID ExpectedLanguage();

// A new empty folder under the temporary folder, removed with its contents at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // Folder with its final backslash.
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

void RemoveTree(const std::string& folder);

bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file, or an empty text when it cannot be read.
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// Polls condition every 10 ms until it holds or timeoutMs have passed; returns its last value.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);

} // namespace dormex_test
