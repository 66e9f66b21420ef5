// Profile (INI) files: read and written by us, byte-compatible with Windows' own
// GetPrivateProfileStringA / WritePrivateProfileStringA.
#include "OrvCtl.h"
#include "ovc_internal.h"

#include <string>
#include <vector>

namespace {

// A settings file is small; anything larger than this is not ours and reads as absent.
constexpr LONGLONG kMaxProfileBytes = 16 * 1024 * 1024;
constexpr int kReplaceAttempts = 100;

class CriticalSection {
  public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    void Enter() { EnterCriticalSection(&cs_); }
    void Leave() { LeaveCriticalSection(&cs_); }

  private:
    CRITICAL_SECTION cs_;
};

struct Lock {
    explicit Lock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    ~Lock() { cs_.Leave(); }
    CriticalSection& cs_;
};

// One thread at a time works on the profile; a batch holds the lock from begin to end.
CriticalSection g_lock;
std::string g_path;
int g_batchDepth = 0;
std::vector<std::string> g_batchLines;
bool g_batchDirty = false;

const char* const kBlanks = " \t\r\v\f";

std::string Trim(const std::string& s) {
    size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool EqualNoCase(const std::string& a, const char* b) {
    return lstrlenA(b) == static_cast<int>(a.size()) &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b, -1) ==
               CSTR_EQUAL;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    if (path.empty())
        return lines;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string content;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart <= kMaxProfileBytes) {
        content.resize(static_cast<size_t>(size.QuadPart));
        DWORD total = 0;
        while (total < content.size()) {
            DWORD got = 0;
            if (!ReadFile(file, &content[total], static_cast<DWORD>(content.size() - total), &got, nullptr) ||
                got == 0)
                break;
            total += got;
        }
        content.resize(total);
    }
    CloseHandle(file);

    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        size_t stop = end;
        if (stop > start && content[stop - 1] == '\r')
            --stop;
        lines.emplace_back(content, start, stop - start);
        start = end + 1;
    }
    return lines;
}

// A reader that has the file open for a moment (another process's profile read) makes the
// rename fail with access denied; it is retried for about a second before giving up.
bool ReplaceWithRetry(const std::string& temp, const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt >= kReplaceAttempts)
            return false;
        Sleep(10);
    }
}

// Replaces the file as a whole: a reader or a crash sees the old file or the new one, never a mix.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    char suffix[32];
    OvcSnPrintFA(suffix, sizeof suffix, ".%lx.tmp", GetCurrentThreadId());
    std::string temp = path + suffix;
    HANDLE file =
        CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
              written == content.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (ok)
        ok = ReplaceWithRetry(temp, path);
    if (!ok) {
        DWORD error = GetLastError();
        DeleteFileA(temp.c_str());
        SetLastError(error);
    }
    return ok;
}

// Where a key stands: the line of the key, or where a new key of the section goes.
struct Position {
    bool sectionFound = false;
    bool keyFound = false;
    size_t line = 0; // the key's line, or the index to insert at
};

// Reads a section header; false for any other line. "[name" without "]" is not a header.
bool SectionName(const std::string& trimmed, std::string* name) {
    if (trimmed.empty() || trimmed[0] != '[')
        return false;
    size_t close = trimmed.find(']');
    if (close == std::string::npos)
        return false;
    *name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// Splits "key = value"; lines without "=" are not entries and are passed over.
bool SplitEntry(const std::string& trimmed, std::string* key, std::string* value) {
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos)
        return false;
    *key = Trim(trimmed.substr(0, eq));
    if (value)
        *value = Trim(trimmed.substr(eq + 1));
    return true;
}

Position Find(const std::vector<std::string>& lines, const char* section, const char* key) {
    Position pos;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string trimmed = Trim(lines[i]);
        std::string name;
        if (SectionName(trimmed, &name)) {
            if (pos.sectionFound && inSection)
                return pos; // the first section of that name ends here; the key was not in it
            inSection = EqualNoCase(name, section);
            if (inSection) {
                pos.sectionFound = true;
                pos.line = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        std::string entryKey;
        if (SplitEntry(trimmed, &entryKey, nullptr)) {
            if (EqualNoCase(entryKey, key)) {
                pos.keyFound = true;
                pos.line = i;
                return pos;
            }
        }
        if (!trimmed.empty())
            pos.line = i + 1; // new keys go after the last non-blank line of the section
    }
    return pos;
}

bool Lookup(const std::vector<std::string>& lines, const char* section, const char* key, std::string* value) {
    Position pos = Find(lines, section, key);
    if (!pos.keyFound)
        return false;
    std::string entryKey;
    SplitEntry(Trim(lines[pos.line]), &entryKey, value);
    if (value->size() >= 2 && IsQuote((*value)[0]) && value->back() == (*value)[0])
        *value = value->substr(1, value->size() - 2);
    return true;
}

// The text form of a value: one line, quoted where Windows' reader would otherwise lose blanks
// or quotes at its ends.
std::string EncodeValue(const char* value) {
    std::string text = value ? value : "";
    size_t eol = text.find_first_of("\r\n");
    if (eol != std::string::npos)
        text.resize(eol);
    bool blankEnd = !text.empty() && (strchr(kBlanks, text.front()) || strchr(kBlanks, text.back()));
    bool quoteEnds = text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
    if (blankEnd || quoteEnds)
        text = "\"" + text + "\"";
    return text;
}

// Sets the entry in lines; returns whether anything changed.
bool Store(std::vector<std::string>& lines, const char* section, const char* key, const char* value) {
    std::string entry = std::string(key) + "=" + EncodeValue(value);
    Position pos = Find(lines, section, key);
    if (pos.keyFound) {
        if (lines[pos.line] == entry)
            return false;
        lines[pos.line] = entry;
    } else if (pos.sectionFound) {
        lines.insert(lines.begin() + static_cast<ptrdiff_t>(pos.line), entry);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(entry);
    }
    return true;
}

bool InBatch() {
    return g_batchDepth > 0;
}

bool GetValue(const char* section, const char* key, std::string* value) {
    if (!section || !key)
        return false;
    Lock lock(g_lock);
    if (InBatch())
        return Lookup(g_batchLines, section, key, value);
    return Lookup(ReadLines(g_path), section, key, value);
}

int PutValue(const char* section, const char* key, const char* value) {
    if (!section || !key || !*section || !*key)
        return 0;
    Lock lock(g_lock);
    if (g_path.empty())
        return 0;
    if (InBatch()) {
        g_batchDirty |= Store(g_batchLines, section, key, value);
        return 1;
    }
    std::vector<std::string> lines = ReadLines(g_path);
    if (!Store(lines, section, key, value))
        return 1;
    return WriteLines(g_path, lines) ? 1 : 0;
}

} // namespace

bool OvcParseUInt(const std::string& text, UINT* value) {
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    if (number > 0xFFFFFFFFull)
        return false;
    *value = static_cast<UINT>(number);
    return true;
}

extern "C" {

OVC_API void OVC_CALL OvcSetProfilePathA(const char* path) {
    Lock lock(g_lock);
    g_path = path ? path : "";
}

OVC_API UINT OVC_CALL OvcGetProfileUIntA(const char* section, const char* key, UINT defaultValue) {
    std::string text;
    UINT value;
    if (GetValue(section, key, &text) && OvcParseUInt(text, &value))
        return value;
    return defaultValue;
}

OVC_API int OVC_CALL OvcGetProfileStrA(const char* section, const char* key, const char* defaultValue,
                                       char* buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    std::string text;
    if (!GetValue(section, key, &text))
        text = defaultValue ? defaultValue : "";
    size_t length = text.find('\0'); // a NUL inside a line ends the text
    if (length == std::string::npos)
        length = text.size();
    if (length > static_cast<size_t>(size - 1))
        length = static_cast<size_t>(size - 1);
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

OVC_API int OVC_CALL OvcPutProfileUIntA(const char* section, const char* key, UINT value) {
    char text[16];
    OvcSnPrintFA(text, sizeof text, "%u", value);
    return PutValue(section, key, text);
}

OVC_API int OVC_CALL OvcPutProfileStrA(const char* section, const char* key, const char* value) {
    return PutValue(section, key, value);
}

OVC_API void OVC_CALL OvcBeginProfileBatch(void) {
    g_lock.Enter();
    if (g_batchDepth++ == 0) {
        g_batchLines = ReadLines(g_path);
        g_batchDirty = false;
    }
}

OVC_API int OVC_CALL OvcEndProfileBatch(void) {
    Lock lock(g_lock);
    if (g_batchDepth == 0)
        return 0;
    int result = 1;
    if (--g_batchDepth == 0) {
        if (g_batchDirty && !g_path.empty())
            result = WriteLines(g_path, g_batchLines) ? 1 : 0;
        g_batchLines.clear();
        g_batchDirty = false;
    }
    g_lock.Leave(); // the enter of the matching begin
    return result;
}

} // extern "C"
