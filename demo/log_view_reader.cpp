#include "log_view_reader.h"

#include "OrvCtl.h"

namespace {

const UINT kAnswerMs = 2000;

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMs, answer) != 0;
}

} // namespace

bool LogViewReader::ReadNew(std::vector<std::string>* fresh) {
    DWORD_PTR before = 0, length = 0, copied = 0, after = 0;
    if (!Ask(terminal_, OVCVTM_GETLINECOUNT, 0, 0, &before))
        return false;
    if (static_cast<DWORD>(before) == delivered_)
        return true;
    if (!Ask(terminal_, WM_GETTEXTLENGTH, 0, 0, &length))
        return false;
    // Room for lines that arrive between the two messages.
    std::string text(length + 65536, '\0');
    if (!Ask(terminal_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied) ||
        !Ask(terminal_, OVCVTM_GETLINECOUNT, 0, 0, &after))
        return false;
    // A line finished while the text was taken: the numbering is not certain, take it next time.
    if (after != before)
        return true;
    text.resize(copied);
    std::vector<std::string> kept;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        kept.push_back(text.substr(start, end - start));
    // The view keeps the newest finished lines (and the open one after the last CRLF).
    DWORD finished = static_cast<DWORD>(after);
    DWORD firstKept = finished - static_cast<DWORD>(kept.size());
    for (DWORD number = delivered_ > firstKept ? delivered_ : firstKept; number < finished; ++number)
        fresh->push_back(kept[number - firstKept]);
    delivered_ = finished;
    return true;
}
