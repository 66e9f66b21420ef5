// OrvDx2ReBoot32: started by the setup tool after it installed or removed Dormex. It tells the
// user which of the two happened (the service exists or not) and restarts Windows only when the
// user says yes.
#include "OrvCtl.h"

namespace {

constexpr LANGID kJapanese = 1041;

bool ServiceInstalled() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceA(manager, "Dormex_Serv", SERVICE_QUERY_STATUS);
    bool installed = service != nullptr;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return installed;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool japanese = OvcGetLangId() == kJapanese;
    bool installed = ServiceInstalled();
    const char* what;
    if (japanese)
        what = installed ? "Dormex をインストールしました。" : "Dormex を削除しました。";
    else
        what = installed ? "Dormex has been installed." : "Dormex has been removed.";
    const char* question = japanese ? "今すぐコンピュータを再起動しますか？"
                                    : "Windows must be restarted to complete this. Restart the computer now?";
    char text[512];
    OvcSnPrintFA(text, sizeof text, "%s\n\n%s", what, question);
    int answer = MessageBoxA(nullptr, text, "Dormex", MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    if (answer == IDYES && !OvcExitWindows(EWX_REBOOT)) {
        char failure[256];
        OvcSnPrintFA(failure, sizeof failure,
                     japanese ? "再起動できませんでした (エラー %lu)。" : "The restart failed (error %lu).",
                     GetLastError());
        MessageBoxA(nullptr, failure, "Dormex", MB_OK | MB_ICONERROR);
    }
    return 0;
}
