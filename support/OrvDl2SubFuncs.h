// OrvDl2SubFuncs32 / OrvDl2SubFuncs64: the Dormex support library.
// Settings record and file, shutdown schedule, mailslot messaging, logging, wave playback.
// Plain C interface, C calling convention, undecorated export names; the same record layout in
// the 32-bit and the 64-bit build.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdio.h>

#ifdef ORVSUB_BUILD
#define SUB_API __declspec(dllexport)
#else
#define SUB_API __declspec(dllimport)
#endif
#define SUB_CALL __cdecl

#ifdef __cplusplus
extern "C" {
#endif

// ---- Settings record -------------------------------------------------------------------------

#define SETINFO_TEXT_SIZE 256 // capacity of each text field, NUL included
#define SETINFO_PATH_SIZE 260 // capacity of SaveDir
#define SETINFO_SLOT_COUNT 4
#define SETINFO_APP_COUNT 10
#define SETINFO_KEY_COUNT 97 // keys of section SETINFO

// One shutdown time of day (keys sdt_fValidN, sdt_hourN, sdt_minuteN, sdt_fForcedN).
typedef struct ShutdownSlot {
    UINT32 fValid;
    UINT32 hour;
    UINT32 minute;
    UINT32 fForced;
} ShutdownSlot;

// One application whose documents are preserved (keys Api_...NN).
typedef struct SaveAppEntry {
    UINT32 fValid;
    UINT32 fTrySaveAs;
    UINT32 fMultDoc;
    char AppStr[SETINFO_TEXT_SIZE];
    char SaveAsStr[SETINFO_TEXT_SIZE];
    char SavStr[SETINFO_TEXT_SIZE];
} SaveAppEntry;

// The settings of section SETINFO; every field is stored under its own name as key.
typedef struct SetInfo {
    UINT32 fSchedShutdown;
    ShutdownSlot sdt[SETINFO_SLOT_COUNT];
    UINT32 interval;   // minutes of warning before a shutdown; 0 = none
    UINT32 WeekDay[7]; // keys WeekDay0 (Sunday) .. WeekDay6 (Saturday)
    UINT32 fSound60;
    UINT32 fSound30;
    UINT32 fSound10;
    UINT32 fSound03;
    UINT32 SoundVolume; // percent
    UINT32 SoundDevIx;
    char SoundDevName[SETINFO_TEXT_SIZE];
    UINT32 PCResumeTime; // minutes before the shutdown at which a sleeping PC is woken
    UINT32 fNoSleep;
    UINT32 fNoDspOff;
    UINT32 fSaveDoc;
    char SaveDir[SETINFO_PATH_SIZE];
    SaveAppEntry Api[SETINFO_APP_COUNT];
} SetInfo;

// Selects <drive of Windows>\Orvane\Dormex\Dormex.ini for the profile functions of the process,
// creating the folders; copies the folder (with its final backslash) into buffer when given.
SUB_API void SUB_CALL SetIniFilePath(char* buffer, int size);
// Load and save the whole record, holding the settings mutex around the file access.
// Missing or unreadable keys load as their defaults. Result: non-zero when the mutex was released.
SUB_API int SUB_CALL LoadSetInfo(SetInfo* info, HANDLE mutex);
SUB_API int SUB_CALL SaveSetInfo(const SetInfo* info, HANDLE mutex);

// ---- Shutdown schedule -----------------------------------------------------------------------

// 1 when scheduling is on, at least one week day and at least one slot are in use.
SUB_API int SUB_CALL IsValidTimeInSetInfo(const SetInfo* info);
// The earliest enabled slot more than 60 s ahead of now, within the next seven days.
// Returns 1 and fills the outputs (seconds and forced may be null), or 0 and leaves them untouched.
SUB_API int SUB_CALL GetShutdownTime(const SetInfo* info, SYSTEMTIME* time, DWORD* seconds, DWORD* forced);

// ---- Command word ----------------------------------------------------------------------------

#define MAILSLOT_APP "\\\\.\\mailslot\\OrvDx2\\App"
#define MAILSLOT_SERV "\\\\.\\mailslot\\OrvDx2\\Serv"
#define MAILSLOT_LOG "\\\\.\\mailslot\\OrvDormex\\log"

enum {
    CMD_WARNING = 1,      // service -> App: param1 forced flag, param2 seconds of warning
    CMD_SAVE_DOCS = 2,    // anyone -> App: run a document preservation
    CMD_SAVE_ABORT = 3,   // service -> App: close the running preservation
    CMD_SHUTDOWN = 4,     // service -> App: shut down normally from the user's session
    CMD_SAVE_STARTED = 5, // App -> service
    CMD_SAVE_ENDED = 6,   // App -> service
    CMD_RELOAD = 7,       // App -> service: settings were saved
    CMD_RESCHEDULE = 8    // App -> service: the user stopped the coming shutdown
};

// The 4-byte message: command code, first parameter, second parameter (little-endian).
typedef struct MailCommand {
    BYTE cmd;
    BYTE param1;
    WORD param2;
} MailCommand;

// Senders build every word here, so parameters a code does not carry are 0 (the struct has no
// padding: the four bytes are exactly the three fields).
static inline MailCommand MakeMailCommand(BYTE cmd, BYTE param1, WORD param2) {
    MailCommand command;
    command.cmd = cmd;
    command.param1 = param1;
    command.param2 = param2;
    return command;
}

// The word as one u32: cmd in the low byte, param1 in the next, param2 in the high 16 bits.
static inline UINT32 MailCommandToWord(MailCommand command) {
    return (UINT32)command.cmd | ((UINT32)command.param1 << 8) | ((UINT32)command.param2 << 16);
}

static inline MailCommand MailCommandFromWord(UINT32 word) {
    return MakeMailCommand((BYTE)(word & 0xFF), (BYTE)((word >> 8) & 0xFF), (WORD)(word >> 16));
}

// param1 * 65536 + param2: for CMD_WARNING the forced flag and the seconds of warning, the
// creation parameter of the countdown dialog.
static inline DWORD MailCommandParams(MailCommand command) {
    return ((DWORD)command.param1 << 16) | (DWORD)command.param2;
}

// ---- Mailslots -------------------------------------------------------------------------------
// A process holds at most one mailslot of its own; create, delete and receive from one thread.

// Creates the process's mailslot (writable by every account and session) and logs the outcome.
// A mailslot held already is closed first. Result 1 on success, 0 on failure with the creation's
// error code as the last error.
SUB_API int SUB_CALL MyMailSlotCreate(const char* name);
// Closes the process's mailslot if one is held.
SUB_API void SUB_CALL MyMailSlotDelete(void);
// Takes at most one message without waiting: 1 and the first 4 bytes in command when a message of
// at least 4 bytes was read (and logged), 0 otherwise; a shorter message is consumed and dropped.
SUB_API int SUB_CALL MyMailSlotRecv(MailCommand* command);
// Writes one message to the named mailslot. Result 1 when the mailslot could be opened, 0 when
// nobody holds it or the name is empty.
SUB_API int SUB_CALL MailSlotSend(const char* name, const void* data, DWORD length);

// ---- Logging ---------------------------------------------------------------------------------
// A line is "<timestamp> <computer name, 16 wide> <tag>: <message>\n", at most 1023 characters,
// sent as one message (with its NUL) to the log mailslot, local or on the host of the key LogHost
// of section MAIN, and appended to the log file when one is open. Logging never fails its caller.

#ifdef __GNUC__
#define SUB_PRINTF_FORMAT __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))
#else
#define SUB_PRINTF_FORMAT
#endif

// Sets the tag of the lines (null keeps the one set before) and re-reads the log host; call once
// before the process starts other threads.
SUB_API void SUB_CALL SetLogSlotId(const char* tag);
// Opens the file for appending in text mode, shared with other readers and writers, and makes it
// the log file. Result the stream, or null (the log file is then unchanged).
SUB_API FILE* SUB_CALL OpenLogFile(const char* path);
// Ends the log file with an empty line and closes it; result that of the close, 0 without a file.
SUB_API int SUB_CALL CloseLogFile(void);
// Writes one line; result that of the file write when a log file is open, else 0.
SUB_API int SUB_CALL LogOut(const char* message);
// LogOut of the formatted message, cut to 1023 characters.
SUB_API int SUB_CALL LogPrintF(const char* format, ...) SUB_PRINTF_FORMAT;
// Logs "Error detect in <operation>, err = <code>" with the system's text of the code when it has one.
SUB_API void SUB_CALL LogError(const char* operation, int code);

// ---- Wave playback ---------------------------------------------------------------------------

// Starts playing a PCM wave file on the wave output device whose product name is exactly
// deviceName (case-sensitive) at volume percent (0-100, more plays at full level) and returns at
// once; the file plays on a thread of its own. Dropped silently while another playback of the
// process is in progress, and when the device, the file or its layout is not usable.
SUB_API void SUB_CALL PlayByDevice(const char* path, const char* deviceName, UINT volume);
// Returns when no playback of the process is in progress.
SUB_API void SUB_CALL WaitForPlayEnd(void);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(ShutdownSlot) == 16, "ShutdownSlot layout");
static_assert(sizeof(SaveAppEntry) == 780, "SaveAppEntry layout");
static_assert(sizeof(SetInfo) == 8456, "SetInfo has the same size in both widths");
static_assert(offsetof(SetInfo, interval) == 68 && offsetof(SetInfo, WeekDay) == 72 &&
                  offsetof(SetInfo, SoundVolume) == 116 && offsetof(SetInfo, SoundDevName) == 124 &&
                  offsetof(SetInfo, PCResumeTime) == 380 && offsetof(SetInfo, SaveDir) == 396 &&
                  offsetof(SetInfo, Api) == 656,
              "SetInfo has the same field offsets in both widths");
static_assert(sizeof(MailCommand) == 4, "MailCommand is one 4-byte word");
#endif
