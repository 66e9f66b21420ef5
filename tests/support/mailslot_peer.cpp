// A second process for the mailslot and logging tests. The exit code is the result:
//   mailslot_peer hold NAME              create NAME and hold it until ended (exit 2 when the creation fails)
//   mailslot_peer create NAME            exit with the result of MyMailSlotCreate (tag "PEER")
//   mailslot_peer send NAME HEX COUNT    send the bytes HEX ("-": none) COUNT times; exit with the failures
//   mailslot_peer log TAG COUNT TEXT     log "TEXT <i>" COUNT times (TAG "-": without SetLogSlotId)
//   mailslot_peer recv                   exit with MyMailSlotRecv before any creation (+2 if it wrote the
//   word)
#include "OrvDl2SubFuncs.h"

#include <stdlib.h>
#include <string>

namespace {

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    return bytes;
}

int Send(const char* name, const std::string& bytes, int count) {
    int failures = 0;
    for (int i = 0; i < count; ++i)
        failures += MailSlotSend(name, bytes.data(), static_cast<DWORD>(bytes.size())) ? 0 : 1;
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    std::string action = argc > 1 ? argv[1] : "";
    if (action == "hold" && argc == 3) {
        SetLogSlotId("PEER");
        if (!MyMailSlotCreate(argv[2]))
            return 2;
        Sleep(INFINITE); // the test ends the process
    }
    if (action == "create" && argc == 3) {
        SetLogSlotId("PEER");
        int result = MyMailSlotCreate(argv[2]);
        MyMailSlotDelete();
        return result;
    }
    if (action == "send" && argc == 5) {
        std::string bytes = std::string(argv[3]) == "-" ? std::string() : FromHex(argv[3]);
        return Send(argv[2], bytes, atoi(argv[4]));
    }
    if (action == "log" && argc == 5) {
        if (std::string(argv[2]) != "-")
            SetLogSlotId(argv[2]);
        for (int i = 0; i < atoi(argv[3]); ++i)
            LogPrintF("%s %d", argv[4], i);
        return 0;
    }
    if (action == "recv" && argc == 2) {
        MailCommand command = MakeMailCommand(0xEE, 0xEE, 0xEEEE);
        int result = MyMailSlotRecv(&command);
        return result + (MailCommandToWord(command) != 0xEEEEEEEEu ? 2 : 0);
    }
    return 100; // unknown action
}
