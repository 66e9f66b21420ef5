// A small document application for the preservation tests. Its windows and behaviour are chosen
// by its command line:
//   /title:BASE      main window "BASE - DocApp" (BASE unique per test); the Save-As dialog is
//                    "Save As - BASE", the save-changes confirmation "Save changes - BASE", so
//                    that "BASE - DocApp" matches the main window only
//   /name:NAME       the file name the Save-As dialog proposes (default "Document.txt")
//   /ext:EXT         appends its own extension to the typed path when writing
//   /hold:MS         keeps the written file open, unshared, for MS ms
//   /nodialog        never shows the Save-As dialog
//   /docs:N          N documents in one window, titled "BASE - Doc k"; saving one closes it
//   /confirm         closing an unsaved document asks Yes/No first (Yes: Save-As, then close)
//   /focusbutton     the Save-As dialog gives the focus to its OK button instead of the edit box
//   /stuckconfirm    the confirmation ignores Yes and stays
//   /nowrite         OK closes the Save-As dialog without writing anything
//   /noclose         the main window ignores requests to close
//   /vanish          the process ends as soon as it is asked to save or to close
//   /hidden          the main window is never shown by the program itself
//   /topmost         the main window is topmost
// Save-As is asked for with Alt+F then "A". OK writes the edit box's text as a path; when that
// fails the dialog stays open, as an application showing an error would.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const int kEditId = 100;

struct Options {
    std::string title;
    std::string name = "Document.txt";
    std::string ext;
    UINT holdMs = 0;
    bool noDialog = false;
    int docs = 1;
    bool confirm = false;
    bool focusButton = false;
    bool vanish = false;
    bool stuckConfirm = false;
    bool noWrite = false;
    bool noClose = false;
    bool hidden = false;
    bool topmost = false;
} options;

HINSTANCE instance;
HWND mainWindow, saveAsWindow, confirmWindow;
int currentDoc = 1; // the document in view
bool saved = false; // the last document has been written
bool closing = false;
bool altFArmed = false;
HANDLE heldFile = INVALID_HANDLE_VALUE;

bool TakeOption(const char* arg, const char* name, std::string* value) {
    size_t length = strlen(name);
    if (_strnicmp(arg, name, length) != 0)
        return false;
    *value = arg + length;
    return true;
}

void ParseOptions() {
    for (int i = 1; i < __argc; ++i) {
        const char* arg = __argv[i];
        std::string value;
        if (TakeOption(arg, "/title:", &value))
            options.title = value;
        else if (TakeOption(arg, "/name:", &value))
            options.name = value;
        else if (TakeOption(arg, "/ext:", &value))
            options.ext = value;
        else if (TakeOption(arg, "/hold:", &value))
            options.holdMs = strtoul(value.c_str(), nullptr, 10);
        else if (TakeOption(arg, "/docs:", &value))
            options.docs = atoi(value.c_str()) > 0 ? atoi(value.c_str()) : 1;
        else if (!_stricmp(arg, "/nodialog"))
            options.noDialog = true;
        else if (!_stricmp(arg, "/confirm"))
            options.confirm = true;
        else if (!_stricmp(arg, "/focusbutton"))
            options.focusButton = true;
        else if (!_stricmp(arg, "/stuckconfirm"))
            options.stuckConfirm = true;
        else if (!_stricmp(arg, "/nowrite"))
            options.noWrite = true;
        else if (!_stricmp(arg, "/noclose"))
            options.noClose = true;
        else if (!_stricmp(arg, "/vanish"))
            options.vanish = true;
        else if (!_stricmp(arg, "/hidden"))
            options.hidden = true;
        else if (!_stricmp(arg, "/topmost"))
            options.topmost = true;
    }
}

bool MultiDoc() {
    return options.docs > 1;
}

std::string MainTitle() {
    if (!MultiDoc())
        return options.title + " - DocApp";
    return options.title + " - DocApp - Doc " + std::to_string(currentDoc);
}

std::string ProposedName() {
    if (!MultiDoc())
        return options.name;
    return std::to_string(currentDoc) + "_" + options.name;
}

HWND AddChild(HWND parent, const char* className, const char* text, DWORD style, int id, int x, int y, int w,
              int h) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void ShowSaveAs() {
    if (saveAsWindow || options.noDialog)
        return;
    std::string title = "Save As - " + options.title;
    saveAsWindow = CreateWindowExA(0, "DocAppSaveAs", title.c_str(), WS_POPUP | WS_CAPTION, 100, 100, 320,
                                   120, mainWindow, nullptr, instance, nullptr);
    if (!saveAsWindow)
        return;
    HWND edit = AddChild(saveAsWindow, "EDIT", ProposedName().c_str(),
                         WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, kEditId, 10, 10, 290, 22);
    HWND ok = AddChild(saveAsWindow, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 130, 45, 80, 24);
    AddChild(saveAsWindow, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 220, 45, 80, 24);
    ShowWindow(saveAsWindow, SW_SHOW);
    SetForegroundWindow(saveAsWindow);
    SetFocus(options.focusButton ? ok : edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

void ShowConfirm() {
    if (confirmWindow)
        return;
    std::string title = "Save changes - " + options.title;
    confirmWindow = CreateWindowExA(0, "DocAppConfirm", title.c_str(), WS_POPUP | WS_CAPTION, 120, 120, 240,
                                    90, mainWindow, nullptr, instance, nullptr);
    if (!confirmWindow)
        return;
    HWND yes = AddChild(confirmWindow, "BUTTON", "Yes", BS_DEFPUSHBUTTON | WS_TABSTOP, IDYES, 20, 20, 80, 24);
    AddChild(confirmWindow, "BUTTON", "No", BS_PUSHBUTTON | WS_TABSTOP, IDNO, 120, 20, 80, 24);
    ShowWindow(confirmWindow, SW_SHOW);
    SetForegroundWindow(confirmWindow);
    SetFocus(yes);
}

void CALLBACK ReleaseHeldFile(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    CloseHandle(heldFile);
    heldFile = INVALID_HANDLE_VALUE;
}

bool WriteDocument(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, options.holdMs ? 0 : FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string content = "DocApp document: " + MainTitle() + "\r\n";
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    if (options.holdMs && ok) {
        if (heldFile != INVALID_HANDLE_VALUE)
            CloseHandle(heldFile);
        heldFile = file;
        SetTimer(nullptr, 0, options.holdMs, ReleaseHeldFile); // outlives the main window
    } else {
        CloseHandle(file);
    }
    return ok && written == content.size();
}

void DocumentSaved() {
    if (MultiDoc() && currentDoc < options.docs) {
        ++currentDoc;
        SetWindowTextA(mainWindow, MainTitle().c_str());
        return;
    }
    saved = true;
    if ((closing || MultiDoc()) && !options.noClose)
        DestroyWindow(mainWindow);
}

void SaveAsOk() {
    char typed[1024] = "";
    GetDlgItemTextA(saveAsWindow, kEditId, typed, sizeof typed);
    if (!options.noWrite && (!typed[0] || !WriteDocument(typed + options.ext))) {
        MessageBeep(MB_ICONERROR);
        return;
    }
    DestroyWindow(saveAsWindow);
    saveAsWindow = nullptr;
    DocumentSaved();
}

void AskToClose() {
    if (options.vanish)
        ExitProcess(0);
    if (!saved && options.confirm) {
        ShowConfirm();
        return;
    }
    if (options.noClose || (MultiDoc() && !saved))
        return; // a multi-document window stays while the document in view is not saved
    DestroyWindow(mainWindow);
}

LRESULT CALLBACK SaveAsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        SaveAsOk();
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        saveAsWindow = nullptr;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ConfirmProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO) &&
        !options.stuckConfirm) {
        DestroyWindow(window);
        confirmWindow = nullptr;
        if (LOWORD(wParam) == IDNO) {
            DestroyWindow(mainWindow);
        } else {
            closing = true;
            ShowSaveAs();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSKEYDOWN:
        altFArmed = (wParam == 'F');
        return 0;
    case WM_SYSKEYUP:
        return 0;
    case WM_CHAR:
        if (altFArmed && (wParam == 'A' || wParam == 'a')) {
            altFArmed = false;
            if (options.vanish)
                ExitProcess(0);
            ShowSaveAs();
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            AskToClose();
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Register(const char* className, WNDPROC proc) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    return RegisterClassA(&windowClass) != 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    instance = hInstance;
    ParseOptions();
    if (!Register("DocAppMain", MainProc) || !Register("DocAppSaveAs", SaveAsProc) ||
        !Register("DocAppConfirm", ConfirmProc))
        return 1;
    mainWindow = CreateWindowExA(options.topmost ? WS_EX_TOPMOST : 0, "DocAppMain", MainTitle().c_str(),
                                 WS_OVERLAPPEDWINDOW, 50, 50, 400, 300, nullptr, nullptr, instance, nullptr);
    if (!mainWindow)
        return 1;
    if (!options.hidden) {
        ShowWindow(mainWindow, SW_SHOW);
        SetForegroundWindow(mainWindow);
    }
    MSG message;
    // A held file outlives the window: the program ends once it is released.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (!IsWindow(mainWindow) && heldFile == INVALID_HANDLE_VALUE)
            break;
    }
    return 0;
}
