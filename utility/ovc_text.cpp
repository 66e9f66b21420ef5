// Bounded text helpers: formatting, path joining, the program folder, command-line splitting.
#include "OrvCtl.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// True when the byte at index is a path separator and not the trail byte of a double-byte
// character (in code page 932 the trail byte may be 0x5C, the backslash).
bool IsSeparatorAt(const char* text, size_t index) {
    for (size_t i = 0; i < index; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && text[i + 1] != '\0')
            ++i;
        if (i == index)
            return false;
    }
    return text[index] == '\\' || text[index] == '/';
}

// An empty path needs no separator before the part.
bool EndsWithSeparator(const char* path, size_t length) {
    return length == 0 || IsSeparatorAt(path, length - 1);
}

} // namespace

extern "C" {

OVC_API int OVC_CALL OvcSnPrintFA(char* buffer, int size, const char* format, ...) {
    if (!buffer || size <= 0 || !format)
        return -1;
    va_list args;
    va_start(args, format);
    int needed = vsnprintf(buffer, static_cast<size_t>(size), format, args);
    va_end(args);
    buffer[size - 1] = '\0';
    if (needed < 0) {
        buffer[0] = '\0';
        return -1;
    }
    return needed < size ? needed : size - 1;
}

OVC_API int OVC_CALL OvcPathCatA(char* path, const char* part, int size) {
    if (!path || !part || size <= 0)
        return 0;
    size_t length = strnlen(path, static_cast<size_t>(size));
    if (length >= static_cast<size_t>(size))
        return 0; // not terminated within its buffer
    // "C:" + "x" gives "C:\x", not the drive-relative "C:x".
    bool needSeparator = !EndsWithSeparator(path, length);
    while ((*part == '\\' || *part == '/') && length > 0)
        ++part; // never double the separator
    size_t partLength = strlen(part);
    size_t total = length + (needSeparator ? 1 : 0) + partLength;
    if (total >= static_cast<size_t>(size))
        return 0;
    if (needSeparator)
        path[length++] = '\\';
    memcpy(path + length, part, partLength + 1);
    return 1;
}

OVC_API int OVC_CALL OvcGetAppPathA(char* buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    char module[MAX_PATH * 2];
    DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return 0;
    size_t folder = 0; // length up to and including the last separator
    for (size_t i = 0; i < length; ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(module[i])) && i + 1 < length) {
            ++i;
            continue;
        }
        if (module[i] == '\\' || module[i] == '/')
            folder = i + 1;
    }
    if (folder == 0 || folder >= static_cast<size_t>(size))
        return 0;
    memcpy(buffer, module, folder);
    buffer[folder] = '\0';
    return static_cast<int>(folder);
}

// The rules of CommandLineToArgvW: the program name ends at the next quote when it starts with
// one, else at the first blank; after it, 2n backslashes before a quote give n backslashes and
// the quote opens or closes quoting, 2n+1 give n and a literal quote; inside quotes a doubled
// quote is literal. Double-byte characters are taken whole, so a 0x5C trail byte stays text.
OVC_API char** OVC_CALL OvcParseCmdArgsA(const char* commandLine, int* count) {
    const char* s = commandLine ? commandLine : GetCommandLineA();
    std::vector<std::string> args;
    std::string program;
    if (*s == '\0') {
        char module[MAX_PATH * 2];
        DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
        program.assign(module, length < sizeof module ? length : 0);
    } else if (*s == '"') {
        ++s;
        while (*s && *s != '"')
            program += *s++;
        if (*s == '"')
            ++s;
    } else {
        while (*s && *s != ' ' && *s != '\t')
            program += *s++;
    }
    args.push_back(program);

    while (*s == ' ' || *s == '\t')
        ++s;
    std::string current;
    bool inArg = false;
    int quotes = 0; // 0 outside quotes, 1 inside
    size_t backslashes = 0;
    while (*s) {
        char c = *s;
        if ((c == ' ' || c == '\t') && quotes == 0) {
            current.append(backslashes, '\\');
            backslashes = 0;
            if (inArg)
                args.push_back(current);
            current.clear();
            inArg = false;
            ++s;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            ++backslashes;
            ++s;
        } else if (c == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2) {
                current += '"';
            } else {
                ++quotes;
            }
            backslashes = 0;
            ++s;
            // Consecutive quotes: every third one (counting the opening one) is a literal.
            while (*s == '"') {
                if (++quotes == 3) {
                    current += '"';
                    quotes = 0;
                }
                ++s;
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current.append(backslashes, '\\');
            backslashes = 0;
            if (IsDBCSLeadByte(static_cast<BYTE>(c)) && s[1] != '\0')
                current += *s++;
            current += *s++;
        }
    }
    current.append(backslashes, '\\');
    if (inArg)
        args.push_back(current);

    // One block: the pointer table, a null entry, then the texts.
    size_t bytes = (args.size() + 1) * sizeof(char*);
    for (const std::string& a : args)
        bytes += a.size() + 1;
    char** table = static_cast<char**>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!table)
        return nullptr;
    char* text = reinterpret_cast<char*>(table + args.size() + 1);
    for (size_t i = 0; i < args.size(); ++i) {
        table[i] = text;
        memcpy(text, args[i].c_str(), args[i].size() + 1);
        text += args[i].size() + 1;
    }
    table[args.size()] = nullptr;
    if (count)
        *count = static_cast<int>(args.size());
    return table;
}

OVC_API void OVC_CALL OvcReleaseCmdArgs(char** args) {
    if (args)
        HeapFree(GetProcessHeap(), 0, args);
}

} // extern "C"
