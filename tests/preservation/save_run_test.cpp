// Whole preservation runs in this process against the test document application: the progress
// dialog (the application's resource), the state machine, the process functions and the files
// they make the documents' applications write.
#include "child_process.h"
#include "mailslot_catcher.h"
#include "preservation.h"
#include "save_run.h"
#include "test_support.h"
#include "program_process.h"

#include <OrvCtl.h>
#include <OrvDl2SubFuncs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using dormex_test::ChildProcess;
using dormex_test::LogCatcher;
using dormex_test::WaitFor;

// Small waiting limits keep the runs short; PF-3 alone takes more than a second.
const char kFastTimers[] = "TmCyc=100\r\nTmInterval=100\r\nTmSrtSaveAs=1500\r\nTmEndSaveAs=2500\r\n"
                           "TmClsOrRew=1500\r\nTmRewrite=1500\r\nTmSaveStart=1500\r\nTmSaveEnd=2000\r\n"
                           "TmClose=1500\r\n";

std::string UniqueTitle(const std::string& what) {
    static int counter = 0;
    return "PresRun-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" + what;
}

// The document application's main window title for /title:title.
std::string AppTitle(const std::string& title) {
    return title + " - DocApp";
}

// Trace lines as the run writes them: trace names under a Japanese user interface, numbers otherwise.
std::string EventLine(UINT state, UINT event) {
    if (OvcGetLangId() == 1041)
        return std::string("SaveAct - sts = ") + SaveStateTraceName(state) +
               ", evt = " + SaveEventTraceName(event);
    return "SaveAct - sts = " + std::to_string(state) + ", evt = " + std::to_string(event);
}

std::string StateLine(UINT state) {
    if (OvcGetLangId() == 1041)
        return std::string("SaveAct - sts changed --> ") + SaveStateTraceName(state);
    return "SaveAct - sts changed --> " + std::to_string(state);
}

bool IsStampedName(const std::string& file, const std::string& name) {
    if (file.size() != 16 + name.size() || file.compare(16, std::string::npos, name) != 0)
        return false;
    for (size_t i = 0; i < 15; ++i) {
        bool digit = file[i] >= '0' && file[i] <= '9';
        if ((i == 8) ? file[i] != '_' : !digit)
            return false;
    }
    return file[15] == '_';
}

class PreservationRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = scratch_.Path() + "saved";
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        WriteTimers(kFastTimers);
        ASSERT_TRUE(log_.Ok()) << "the log mailslot is held by another process";
        SetLogSlotId("TST");
        parent_ = CreateWindowExA(0, "STATIC", "preservation test parent", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent_);
    }
    void TearDown() override {
        OvcSetProfilePathA(nullptr);
        DestroyWindow(parent_);
    }

    void WriteTimers(const std::string& lines) {
        const std::string ini = scratch_.File("Dormex.ini");
        ASSERT_TRUE(dormex_test::WriteFileBytes(ini, "[TIMER]\r\n" + lines));
        OvcSetProfilePathA(ini.c_str());
    }

    // Starts the document application; its main window, or null.
    HWND StartDoc(const std::string& title, const std::string& options = "") {
        docs_.push_back(std::make_unique<ChildProcess>());
        ChildProcess& doc = *docs_.back();
        if (!doc.Start(dormex_test::TestProgram("docapp.exe"), "\"/title:" + title + "\" " + options))
            return nullptr;
        HWND window = nullptr;
        WaitFor(
            [&] {
                return (window = dormex_test::FindTopLevelOfProcess(doc.Id(), Expected(title, options))) !=
                       nullptr;
            },
            10000);
        return window;
    }
    static std::string Expected(const std::string& title, const std::string& options) {
        return AppTitle(title) + (options.find("/docs:") != std::string::npos ? " - Doc 1" : "");
    }

    SaveAppEntry& Entry(int index, const std::string& appStr, bool trySaveAs, const std::string& saveAsStr,
                        const std::string& savStr = "", bool multiDoc = false) {
        SaveAppEntry& entry = apps_[index];
        entry.fValid = 1;
        entry.fTrySaveAs = trySaveAs;
        entry.fMultDoc = multiDoc;
        lstrcpynA(entry.AppStr, appStr.c_str(), sizeof entry.AppStr);
        lstrcpynA(entry.SaveAsStr, saveAsStr.c_str(), sizeof entry.SaveAsStr);
        lstrcpynA(entry.SavStr, savStr.c_str(), sizeof entry.SavStr);
        return entry;
    }
    // An entry for a document application started with StartDoc(title).
    SaveAppEntry& SaveAsEntry(int index, const std::string& title, bool multiDoc = false) {
        return Entry(index, AppTitle(title), true, "Save As - " + title, "Save changes - " + title, multiDoc);
    }
    SaveAppEntry& CloseFirstEntry(int index, const std::string& title) {
        return Entry(index, AppTitle(title), false, "Save As - " + title, "Save changes - " + title);
    }

    // Runs a preservation; a run still open after deadlineMs is cancelled (and the test fails).
    // Returns the run's duration in ms.
    DWORD Run(DWORD deadlineMs = 60000, const char* folder = nullptr) {
        HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        bool cancelled = false;
        std::thread watcher([&] {
            if (WaitForSingleObject(done, deadlineMs) == WAIT_TIMEOUT) {
                cancelled = true;
                PostMessageA(PreservationProgressDialog(), WM_COMMAND, IDCANCEL, 0);
            }
        });
        DWORD start = GetTickCount();
        RunPreservation(folder ? folder : folder_.c_str(), parent_, apps_);
        DWORD elapsed = GetTickCount() - start;
        SetEvent(done);
        watcher.join();
        CloseHandle(done);
        EXPECT_FALSE(cancelled) << "the run did not end by itself within " << deadlineMs << " ms";
        EXPECT_FALSE(PreservationRunning());
        EXPECT_EQ(nullptr, PreservationProgressDialog());
        return elapsed;
    }

    std::vector<std::string> SavedFiles() const {
        std::vector<std::string> files;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return files;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return files;
    }

    bool Logged(const std::string& text) const { return log_.WaitForLine(text, 2000); }
    size_t LoggedCount(const std::string& text) const { return log_.CountContaining(text); }
    bool DocEnded(size_t index, DWORD timeoutMs = 5000) { return docs_[index]->WaitExit(timeoutMs); }

    dormex_test::ScratchDir scratch_;
    std::string folder_;
    LogCatcher log_;
    HWND parent_ = nullptr;
    SaveAppEntry apps_[SETINFO_APP_COUNT] = {};
    std::vector<std::unique_ptr<ChildProcess>> docs_;
};

TEST_F(PreservationRunTest, SavesThroughSaveAsUnderTheStampedCleanedNameAndClosesTheWindow) {
    const std::string title = UniqueTitle("SaveAs");
    HWND window = StartDoc(title, "\"/name:Report <1>?.txt\"");
    ASSERT_TRUE(window);
    SaveAsEntry(0, title);
    SYSTEMTIME before;
    GetLocalTime(&before);
    Run();
    std::vector<std::string> files = SavedFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(IsStampedName(files[0], "Report @1@@.txt")) << files[0];
    char day[16];
    snprintf(day, sizeof day, "%04d%02d%02d_", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(0u, files[0].find(day)) << files[0];
    EXPECT_EQ("DocApp document: " + AppTitle(title) + "\r\n",
              dormex_test::ReadFileBytes(folder_ + "\\" + files[0]));
    EXPECT_TRUE(DocEnded(0)) << "PF-5 closes the window once the document is saved";
    EXPECT_TRUE(Logged("SaveAct - File name = Report <1>?.txt."));
    EXPECT_TRUE(Logged(StateLine(10)));
    EXPECT_TRUE(Logged(EventLine(0, 2)));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

TEST_F(PreservationRunTest, AHiddenWindowIsShownAndSavedLikeAVisibleOne) {
    const std::string title = UniqueTitle("Hidden");
    HWND window = StartDoc(title, "/hidden");
    ASSERT_TRUE(window);
    ASSERT_FALSE(IsWindowVisible(window));
    SaveAsEntry(0, title);
    bool shown = false;
    std::thread watcher([&] { shown = WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000); });
    Run();
    watcher.join();
    EXPECT_TRUE(shown) << "PF-0 shows the window it takes up";
    EXPECT_EQ(1u, SavedFiles().size());
    EXPECT_TRUE(DocEnded(0));
}

TEST_F(PreservationRunTest, ClosesFirstAndAnswersTheConfirmationThenSavesAs) {
    const std::string title = UniqueTitle("Confirm");
    ASSERT_TRUE(StartDoc(title, "/confirm"));
    CloseFirstEntry(0, title);
    Run();
    std::vector<std::string> files = SavedFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(IsStampedName(files[0], "Document.txt")) << files[0];
    EXPECT_TRUE(DocEnded(0));
    EXPECT_TRUE(Logged("SaveAct - PF-8: "));
    EXPECT_TRUE(Logged(StateLine(7)));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

TEST_F(PreservationRunTest, AWindowThatClosesWithoutAskingEndsItsWorkAtOnce) {
    const std::string title = UniqueTitle("Clean");
    ASSERT_TRUE(StartDoc(title));
    CloseFirstEntry(0, title);
    Run();
    EXPECT_TRUE(SavedFiles().empty());
    EXPECT_TRUE(DocEnded(0));
    EXPECT_TRUE(Logged(EventLine(4, 7)));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

TEST_F(PreservationRunTest, FindsTheFileByTheMaskWhenTheApplicationAddsItsExtension) {
    const std::string title = UniqueTitle("Ext");
    ASSERT_TRUE(StartDoc(title, "/ext:.dtx"));
    SaveAsEntry(0, title);
    Run();
    std::vector<std::string> files = SavedFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(IsStampedName(files[0], "Document.txt.dtx")) << files[0];
    EXPECT_TRUE(Logged(EventLine(8, 9)));
    EXPECT_TRUE(Logged(EventLine(9, 10)));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

TEST_F(PreservationRunTest, WaitsForAHeldFileToBeReleased) {
    const std::string title = UniqueTitle("Held");
    ASSERT_TRUE(StartDoc(title, "/hold:1200"));
    SaveAsEntry(0, title);
    Run();
    EXPECT_EQ(1u, SavedFiles().size());
    EXPECT_GE(LoggedCount("SaveAct - PF-11:"), 3u) << "PF-11 keeps trying while the writer holds the file";
    EXPECT_TRUE(Logged(EventLine(9, 10)));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

// Every waiting state gives its window up when its limit passes, and the run goes on with the
// next window, which is saved.
TEST_F(PreservationRunTest, EveryWaitingLimitPassesTheWindowOverAndTheRunGoesOn) {
    struct Case {
        const char* name;
        const char* options;
        bool trySaveAs;
        const char* savStr; // null: the application's own
        const char* saveAsStr;
        UINT state;        // the state whose limit passes
        bool writesAnyway; // the given-up window's file is written all the same
    } cases[] = {
        {"NoSaveAs", "/nodialog", true, nullptr, nullptr, 1, false},
        {"FocusOnButton", "/focusbutton", true, nullptr, nullptr, 3, false},
        {"NoConfirm", "/confirm", false, "Never shown", nullptr, 4, false},
        {"StuckConfirm", "/confirm /stuckconfirm", false, nullptr, nullptr, 6, false},
        {"SaveAsNotRecognised", "/confirm", false, nullptr, "Never shown", 7, false},
        {"NothingWritten", "/nowrite", true, nullptr, nullptr, 8, false},
        {"HeldTooLong", "/hold:30000", true, nullptr, nullptr, 9, true},
        {"StaysOpen", "/noclose", true, nullptr, nullptr, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (SaveAppEntry& entry : apps_)
            entry = SaveAppEntry();
        log_.Clear();
        const std::string stuck = UniqueTitle(c.name);
        const std::string next = UniqueTitle(std::string(c.name) + "-next");
        ASSERT_TRUE(StartDoc(stuck, c.options));
        ASSERT_TRUE(StartDoc(next, "/name:next.txt"));
        Entry(0, AppTitle(stuck), c.trySaveAs, c.saveAsStr ? c.saveAsStr : "Save As - " + stuck,
              c.savStr ? c.savStr : "Save changes - " + stuck);
        SaveAsEntry(1, next);
        std::vector<std::string> before = SavedFiles();
        Run();
        EXPECT_TRUE(Logged(EventLine(c.state, 13)));
        EXPECT_EQ(1u, LoggedCount("SaveAct - PF-13:"));
        std::vector<std::string> added;
        for (const std::string& file : SavedFiles())
            if (std::find(before.begin(), before.end(), file) == before.end())
                added.push_back(file);
        ASSERT_EQ(c.writesAnyway ? 2u : 1u, added.size()) << ::testing::PrintToString(added);
        EXPECT_EQ(1, std::count_if(added.begin(), added.end(),
                                   [](const std::string& file) { return IsStampedName(file, "next.txt"); }))
            << "the next window is saved";
    }
}

TEST_F(PreservationRunTest, TakesAMultiDocumentWindowUpTwentyTimes) {
    const std::string title = UniqueTitle("Multi");
    HWND window = StartDoc(title, "/docs:25 /name:part.txt");
    ASSERT_TRUE(window);
    SaveAsEntry(0, title, true);
    Run(180000);
    std::vector<std::string> files = SavedFiles();
    EXPECT_EQ(20u, files.size());
    for (int k = 1; k <= 20; ++k) {
        size_t matches = 0;
        for (const std::string& file : files)
            matches += IsStampedName(file, std::to_string(k) + "_part.txt") ? 1 : 0;
        EXPECT_EQ(1u, matches) << "document " << k;
    }
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(AppTitle(title) + " - Doc 21", dormex_test::WindowText(window));
    EXPECT_EQ(0u, LoggedCount("PF-13"));
}

TEST_F(PreservationRunTest, TwoWindowsWithTheSameTitleAreWorkedOneAfterTheOther) {
    const std::string title = UniqueTitle("Twins");
    ASSERT_TRUE(StartDoc(title, "/name:one.txt"));
    ASSERT_TRUE(StartDoc(title, "/name:two.txt"));
    SaveAsEntry(0, title);
    Run();
    std::vector<std::string> files = SavedFiles();
    ASSERT_EQ(2u, files.size());
    EXPECT_TRUE(DocEnded(0));
    EXPECT_TRUE(DocEnded(1));
}

// An empty AppStr takes the first top-level window of another process: two topmost document
// windows stand first, the second (which never shows a dialog) as the harmless target.
TEST_F(PreservationRunTest, AnEmptyAppStrTakesTheFirstWindowOfTheSession) {
    const std::string harmless = UniqueTitle("Harmless");
    const std::string title = UniqueTitle("First");
    HWND harmlessWindow = StartDoc(harmless, "/topmost /nodialog");
    ASSERT_TRUE(harmlessWindow);
    ASSERT_TRUE(StartDoc(title, "/topmost"));
    Entry(0, "", true, "Save As - " + title, "");
    Run();
    std::vector<std::string> files = SavedFiles();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(DocEnded(1));
    char line[64];
    snprintf(line, sizeof line, "hwnd=%p.", static_cast<void*>(harmlessWindow));
    EXPECT_TRUE(Logged(line)) << "the next window in line is the harmless one";
    EXPECT_TRUE(IsWindow(harmlessWindow));
}

TEST_F(PreservationRunTest, WithNoWindowTheDialogClosesAfterAboutTwoSeconds) {
    Entry(0, AppTitle(UniqueTitle("Nobody")), true, "Save As");
    HWND seen = nullptr;
    std::string text;
    std::thread watcher([&] {
        WaitFor([&] { return (seen = PreservationProgressDialog()) != nullptr; }, 5000);
        char buffer[128] = "";
        GetDlgItemTextA(seen, 1030, buffer, sizeof buffer);
        text = buffer;
    });
    DWORD elapsed = Run();
    watcher.join();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Logged(EventLine(0, 2)));
    EXPECT_GE(elapsed, 1900u);
    EXPECT_LE(elapsed, 4000u);
    if (OvcGetLangId() == 1041) {
        EXPECT_EQ("\x83\x68\x83\x4C\x83\x85\x83\x81\x83\x93\x83\x67\x82\xCC\x95\xDB\x91\xB6\x92\x86\x82\xC5"
                  "\x82\xB7",
                  text);
        // "  0: アイドル状態" padded, then " 2: アプリウインド無し".
        EXPECT_TRUE(Logged("SaveAct - sts =   0: \x83\x41\x83\x43\x83\x68\x83\x8B"));
        EXPECT_TRUE(Logged("      , evt =  2: \x83\x41\x83\x76\x83\x8A"));
        EXPECT_TRUE(Logged("SaveAct - PF-0: \x83\x41\x83\x76\x83\x8A"));
    } else {
        EXPECT_EQ("Saving documents now", text);
        EXPECT_TRUE(Logged("SaveAct - PF-0: Search the application window."));
    }
}

TEST_F(PreservationRunTest, CancelAsksTheServiceToRescheduleAndEndsTheRun) {
    dormex_test::MailslotCatcher service(MAILSLOT_SERV);
    ASSERT_TRUE(service.Ok());
    const std::string title = UniqueTitle("Cancelled");
    ASSERT_TRUE(StartDoc(title, "/nodialog"));
    Entry(0, AppTitle(title), true, "Save As - " + title);
    WriteTimers("TmCyc=100\r\nTmSrtSaveAs=60000\r\n");
    std::thread clicker([] {
        // Once the run waits for the Save-As dialog, the user presses Cancel.
        WaitFor([] { return PreservationProgressDialog() != nullptr; }, 10000);
        Sleep(3000);
        PostMessageA(GetDlgItem(PreservationProgressDialog(), IDCANCEL), BM_CLICK, 0, 0);
    });
    DWORD elapsed = Run(20000);
    clicker.join();
    EXPECT_LT(elapsed, 6000u);
    ASSERT_TRUE(service.WaitForCount(1, 2000));
    EXPECT_EQ(std::string("\x08\x00\x00\x00", 4), service.Messages()[0].bytes);
    EXPECT_TRUE(docs_[0]->Running()) << "the other application is left as it is";
}

TEST_F(PreservationRunTest, AVanishingWindowNeverStopsTheRun) {
    const std::string saveAs = UniqueTitle("VanishSaveAs");
    const std::string close = UniqueTitle("VanishClose");
    ASSERT_TRUE(StartDoc(saveAs, "/vanish"));
    ASSERT_TRUE(StartDoc(close, "/vanish"));
    SaveAsEntry(0, saveAs);
    CloseFirstEntry(1, close);
    Run();
    EXPECT_TRUE(DocEnded(0));
    EXPECT_TRUE(DocEnded(1));
    EXPECT_TRUE(SavedFiles().empty());
    EXPECT_TRUE(Logged(EventLine(1, 13))); // Save-As asked of a window that went away
    EXPECT_TRUE(Logged(EventLine(4, 7)));  // closed: the work on it ends
}

TEST_F(PreservationRunTest, LongTitlesAreMatchedOnTheir255Bytes) {
    const std::string title = UniqueTitle("Long") + std::string(300, 'L');
    ASSERT_TRUE(StartDoc(title));
    Entry(0, title.substr(0, 120), true, ("Save As - " + title).substr(0, 200), "");
    Run();
    EXPECT_EQ(1u, SavedFiles().size());
    EXPECT_TRUE(DocEnded(0));
}

TEST_F(PreservationRunTest, AnUnusableFolderOrPathGivesTheWindowUpAndTheRunGoesOn) {
    const std::string file = scratch_.File("plain-file");
    ASSERT_TRUE(dormex_test::WriteFileBytes(file, "x"));
    struct Case {
        const char* name;
        std::string folder;
        const char* logged;
    } cases[] = {
        {"missing folder", scratch_.Path() + "missing\\deeper", "SaveAct - File name = Document.txt."},
        {"a file as folder", file, "SaveAct - File name = Document.txt."},
        {"path too long", "C:\\" + std::string(240, 'p'),
         "SaveAct - PF-3: The save path does not fit in 260 bytes; nothing is typed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log_.Clear();
        const std::string title = UniqueTitle("Folder");
        HWND window = StartDoc(title);
        ASSERT_TRUE(window);
        SaveAsEntry(0, title);
        Run(60000, c.folder.c_str());
        EXPECT_TRUE(Logged(c.logged));
        EXPECT_TRUE(Logged(EventLine(3, 13)));
        EXPECT_TRUE(IsWindow(window)) << "the application is left as it is";
    }
    EXPECT_TRUE(SavedFiles().empty());
}

TEST_F(PreservationRunTest, TimerValuesOfZeroOrHugeStillLetTheRunEnd) {
    // A cycle of 0 takes its default; a limit of 0 gives up at the first check; huge limits wait
    // for what does come.
    WriteTimers("TmCyc=0\r\nTmInterval=0\r\nTmSrtSaveAs=0\r\nTmEndSaveAs=4294967295\r\n"
                "TmClsOrRew=4294967295\r\nTmRewrite=4294967295\r\nTmSaveStart=4294967295\r\n"
                "TmSaveEnd=4294967295\r\nTmClose=4294967295\r\n");
    const std::string never = UniqueTitle("ZeroLimit");
    const std::string saved = UniqueTitle("HugeLimits");
    ASSERT_TRUE(StartDoc(never, "/nodialog"));
    ASSERT_TRUE(StartDoc(saved, "/confirm"));
    SaveAsEntry(0, never);
    CloseFirstEntry(1, saved);
    Run(60000);
    EXPECT_TRUE(Logged("SaveAct - Timer 0 START (1000ms)"));
    EXPECT_TRUE(Logged("SaveAct - Timer 1 START (3000ms)"));
    EXPECT_TRUE(Logged(EventLine(1, 13)));
    EXPECT_EQ(1u, LoggedCount("SaveAct - PF-2:"));
    EXPECT_EQ(1u, LoggedCount("SaveAct - PF-13:"));
    EXPECT_EQ(1u, SavedFiles().size());
}

} // namespace
