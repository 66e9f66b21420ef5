// Log viewer benchmark: several processes write bursts of lines into a running viewer; reports
// lines lost, the latency from a write to the line being in the view, and the viewer's memory.
//   OrvDx2LogViewBench32.exe [writers] [lines per writer]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kLogSlot[] = "\\\\.\\mailslot\\OrvDormex\\log";
const int kBurstLines = 200;
const DWORD kBurstPauseMs = 20;
const UINT kGetLineCount = WM_USER + 0x100; // OVCVTM_GETLINECOUNT

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Writer: lines "BENCH <writer> <seq> <write time>", in bursts.
int RunWriter(int writer, int lines) {
    for (int i = 0; i < lines; ++i) {
        HANDLE slot = CreateFileA(kLogSlot, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (slot == INVALID_HANDLE_VALUE)
            return 2;
        char line[128];
        int length = snprintf(line, sizeof line, "BENCH %d %d %lld\n", writer, i, Now()) + 1;
        DWORD written = 0;
        BOOL ok = WriteFile(slot, line, static_cast<DWORD>(length), &written, nullptr);
        CloseHandle(slot);
        if (!ok)
            return 3;
        if ((i + 1) % kBurstLines == 0)
            Sleep(kBurstPauseMs);
    }
    return 0;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    // Wine leaves PrivateUsage at 0 for other processes; the pagefile-backed bytes are the same figure.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

std::string Folder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string result(path, length);
    return result.substr(0, result.find_last_of("\\/") + 1);
}

bool Start(const std::string& commandLine, PROCESS_INFORMATION* information) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          information);
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    char name[64];
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) &&
        strcmp(name, "#32770") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Times of the lines that arrived since the last look, from their stamps.
void Sample(HWND terminal, DWORD arrived, DWORD seen, std::vector<double>* latencies) {
    // Room for lines that arrive between the two messages; a cut last line is skipped below.
    LRESULT length = SendMessageA(terminal, WM_GETTEXTLENGTH, 0, 0) + 65536;
    std::string text(static_cast<size_t>(length), '\0');
    text.resize(static_cast<size_t>(
        SendMessageA(terminal, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    LONGLONG now = Now();
    DWORD fresh = std::min<DWORD>(arrived - seen, 500);
    // Walk back over the newest finished lines, each ended by CRLF.
    size_t lastEnd = text.rfind("\r\n");
    size_t end = lastEnd == std::string::npos ? 0 : lastEnd + 2;
    for (DWORD i = 0; i < fresh && end > 2; ++i) {
        size_t start = text.rfind("\r\n", end - 3);
        start = start == std::string::npos ? 0 : start + 2;
        int writer, sequence;
        long long stamp;
        if (sscanf(text.c_str() + start, "BENCH %d %d %lld", &writer, &sequence, &stamp) == 3)
            latencies->push_back(Milliseconds(now - stamp));
        end = start;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "--writer") == 0)
        return RunWriter(atoi(argv[2]), atoi(argv[3]));
    int writers = argc > 1 ? atoi(argv[1]) : 4;
    int perWriter = argc > 2 ? atoi(argv[2]) : 25000;
    DWORD expected = static_cast<DWORD>(writers * perWriter);

    PROCESS_INFORMATION viewer;
    if (!Start("\"" + Folder() + "..\\bin\\OrvDx2LogView32.exe\"", &viewer)) {
        fprintf(stderr, "cannot start the viewer (%lu)\n", GetLastError());
        return 1;
    }
    Search search = {viewer.dwProcessId, nullptr};
    for (int i = 0; i < 500 && !search.found; ++i) {
        Sleep(10);
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    }
    HWND terminal = search.found ? GetDlgItem(search.found, 1001) : nullptr;
    if (!terminal) {
        fprintf(stderr, "no viewer window\n");
        TerminateProcess(viewer.hProcess, 1);
        return 1;
    }
    SIZE_T memoryBefore = PrivateBytes(viewer.hProcess);

    std::vector<HANDLE> writerProcesses;
    LONGLONG started = Now();
    for (int w = 0; w < writers; ++w) {
        PROCESS_INFORMATION writer;
        char command[MAX_PATH + 64];
        snprintf(command, sizeof command, "\"%sOrvDx2LogViewBench32.exe\" --writer %d %d", Folder().c_str(),
                 w, perWriter);
        if (!Start(command, &writer)) {
            fprintf(stderr, "cannot start writer %d\n", w);
            break;
        }
        CloseHandle(writer.hThread);
        writerProcesses.push_back(writer.hProcess);
    }

    std::vector<double> latencies;
    DWORD seen = 0;
    DWORD lastChange = GetTickCount();
    for (;;) {
        DWORD arrived = static_cast<DWORD>(SendMessageA(terminal, kGetLineCount, 0, 0));
        if (arrived != seen) {
            Sample(terminal, arrived, seen, &latencies);
            seen = arrived;
            lastChange = GetTickCount();
        }
        bool writing = WaitForMultipleObjects(static_cast<DWORD>(writerProcesses.size()),
                                              writerProcesses.data(), TRUE, 0) == WAIT_TIMEOUT;
        if (seen >= expected || (!writing && GetTickCount() - lastChange > 3000))
            break;
        Sleep(1);
    }
    double seconds = Milliseconds(Now() - started) / 1000.0;
    SIZE_T memoryAfter = PrivateBytes(viewer.hProcess);
    if (!writerProcesses.empty())
        WaitForMultipleObjects(static_cast<DWORD>(writerProcesses.size()), writerProcesses.data(), TRUE,
                               10000);
    for (HANDLE writer : writerProcesses) {
        DWORD code = 0;
        GetExitCodeProcess(writer, &code);
        if (code != 0)
            fprintf(stderr, "a writer ended with %lu\n", code);
        CloseHandle(writer);
    }

    std::sort(latencies.begin(), latencies.end());
    printf("writers %d, lines written %lu, lines shown %lu, lines lost %ld, %.1f s (%.0f lines/s)\n", writers,
           expected, seen, static_cast<long>(expected) - static_cast<long>(seen), seconds, seen / seconds);
    if (!latencies.empty())
        printf("latency write->view over %zu sampled lines: median %.1f ms, worst %.1f ms\n",
               latencies.size(), latencies[latencies.size() / 2], latencies.back());
    printf("viewer private memory: %.1f MiB at start, %.1f MiB after %lu lines\n", memoryBefore / 1048576.0,
           memoryAfter / 1048576.0, seen);

    PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(viewer.hProcess, 5000) != WAIT_OBJECT_0)
        TerminateProcess(viewer.hProcess, 1);
    CloseHandle(viewer.hProcess);
    CloseHandle(viewer.hThread);
    return seen == expected ? 0 : 2;
}
