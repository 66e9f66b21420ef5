// Wave playback: one file at a time per process, streamed to a wave output device from a thread
// of its own through two buffers.
#include "OrvDl2SubFuncs.h"
#include "sound_wave.h"

#include <mmsystem.h>
#include <string.h>

namespace {

constexpr DWORD kBufferSize = 4096;
constexpr int kBufferCount = 2;
// The device callback forwards its notifications to the playback thread as these messages.
constexpr UINT kMsgDeviceOpen = WM_USER + 10;
constexpr UINT kMsgDeviceClose = WM_USER + 11;
constexpr UINT kMsgBufferDone = WM_USER + 12;

struct Buffer {
    WAVEHDR header;
    char data[kBufferSize];
};

// The request being played. Only the thread that won the busy flag writes it (before the playback
// thread starts), and only the playback thread uses it until it clears the flag.
struct Player {
    char path[MAX_PATH];
    UINT volume;
    UINT deviceId;
    WAVEFORMATEX format;
    HANDLE file;
    Buffer* buffers; // kBufferCount of them
    int nextBuffer;  // the buffer refilled on the next completion
    bool endOfStream;
};

Player g_player;
// Set by an accepted request, cleared by its playback thread as its very last step.
volatile LONG g_busy = 0;
// The playback thread, target of the device's notifications.
volatile DWORD g_playbackThreadId = 0;

// Runs on a thread of the audio system, where no wave function may be called: it only forwards.
void CALLBACK DeviceCallback(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR param2) {
    UINT forwarded = message == WOM_OPEN    ? kMsgDeviceOpen
                     : message == WOM_CLOSE ? kMsgDeviceClose
                     : message == WOM_DONE  ? kMsgBufferDone
                                            : 0;
    if (forwarded)
        PostThreadMessageA(g_playbackThreadId, forwarded, param1, param2);
}

// Opens the requested file, checks its head and leaves the file at the first sample byte.
bool OpenWaveFile(Player& player) {
    HANDLE file = CreateFileA(player.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_RANDOM_ACCESS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    unsigned char head[kWaveHeadSize];
    DWORD read = 0;
    WaveLayout layout;
    LARGE_INTEGER firstSample;
    if (ReadFile(file, head, sizeof head, &read, nullptr) && ParseWaveHead(head, read, &layout)) {
        firstSample.QuadPart = layout.dataOffset;
        if (SetFilePointerEx(file, firstSample, nullptr, FILE_BEGIN)) {
            // Always plain PCM, whatever tag the file gives.
            player.format.wFormatTag = WAVE_FORMAT_PCM;
            player.format.nChannels = layout.channels;
            player.format.nSamplesPerSec = layout.samplesPerSec;
            player.format.nAvgBytesPerSec = layout.avgBytesPerSec;
            player.format.nBlockAlign = layout.blockAlign;
            player.format.wBitsPerSample = layout.bitsPerSample;
            player.format.cbSize = 0;
            player.file = file;
            return true;
        }
    }
    CloseHandle(file);
    return false;
}

// Refills one buffer from the file and queues it. False when the file has no more bytes or the
// device refuses the buffer: either way nothing more is queued, so the stream has ended.
bool QueueNextBlock(Player& player, HWAVEOUT device, WAVEHDR& header) {
    DWORD read = 0;
    if (!ReadFile(player.file, header.lpData, kBufferSize, &read, nullptr) || read == 0)
        return false;
    // The buffer played before (if it did) is prepared for its old length.
    if (waveOutUnprepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR)
        return false;
    header.dwBufferLength = read;
    header.dwFlags = 0;
    return waveOutPrepareHeader(device, &header, sizeof header) == MMSYSERR_NOERROR &&
           waveOutWrite(device, &header, sizeof header) == MMSYSERR_NOERROR;
}

// Handles the device's notifications until the whole file has played (or the queue is quit).
// Buffers finish in the order written, so a completion always frees the buffer at nextBuffer.
// The buffers in the device are counted here, one completion each, rather than read from the
// header flags that the audio thread writes.
void StreamFile(Player& player, HWAVEOUT device) {
    MSG message;
    BOOL got;
    int queued = 0;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
        if (message.message == kMsgDeviceOpen) {
            // Paused while both buffers are queued, so that the second follows the first without
            // a gap; a device that cannot pause just starts a little earlier.
            waveOutPause(device);
            for (int i = 0; i < kBufferCount && !player.endOfStream; ++i) {
                player.endOfStream = !QueueNextBlock(player, device, player.buffers[i].header);
                queued += player.endOfStream ? 0 : 1;
            }
            player.nextBuffer = 0;
            waveOutRestart(device);
        } else if (message.message == kMsgBufferDone) {
            --queued;
            if (!player.endOfStream) {
                player.endOfStream =
                    !QueueNextBlock(player, device, player.buffers[player.nextBuffer].header);
                if (!player.endOfStream) {
                    ++queued;
                    player.nextBuffer ^= 1;
                }
            }
        } else {
            continue; // the close notification and anything else
        }
        if (player.endOfStream && queued == 0)
            return;
    }
}

// Opens the device, plays the open file and leaves the device closed with no buffer in use.
void PlayOnDevice(Player& player) {
    HWAVEOUT device;
    if (waveOutOpen(&device, player.deviceId, &player.format, reinterpret_cast<DWORD_PTR>(DeviceCallback), 0,
                    CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
        return;
    // A device without a volume control plays at its own level.
    waveOutSetVolume(device, WaveVolumeWord(player.volume));
    StreamFile(player, device);
    // Returns any buffer still queued (the loop can be quit early) so that none is in use when
    // the headers are unprepared and freed.
    waveOutReset(device);
    for (int i = 0; i < kBufferCount; ++i)
        waveOutUnprepareHeader(device, &player.buffers[i].header, sizeof(WAVEHDR));
    waveOutClose(device);
}

DWORD WINAPI PlaybackThread(LPVOID) {
    Player& player = g_player;
    // The device posts its notifications to this thread from the moment it is opened (the open
    // notification even from inside waveOutOpen): create the thread's message queue first.
    MSG message;
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    g_playbackThreadId = GetCurrentThreadId();

    if (OpenWaveFile(player)) {
        player.buffers = static_cast<Buffer*>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Buffer) * kBufferCount));
        if (player.buffers) {
            for (int i = 0; i < kBufferCount; ++i) {
                player.buffers[i].header.lpData = player.buffers[i].data;
                player.buffers[i].header.dwBufferLength = kBufferSize;
            }
            player.nextBuffer = 0;
            player.endOfStream = false;
            PlayOnDevice(player);
            HeapFree(GetProcessHeap(), 0, player.buffers);
            player.buffers = nullptr;
        }
        CloseHandle(player.file);
        player.file = nullptr;
    }
    // Last: from here on another request may take the player state.
    InterlockedExchange(&g_busy, 0);
    return 0;
}

// The id of the wave output device whose product name is exactly name, if there is one.
bool FindDevice(const char* name, UINT* id) {
    UINT count = waveOutGetNumDevs();
    for (UINT candidate = 0; candidate < count; ++candidate) {
        WAVEOUTCAPSA caps;
        if (waveOutGetDevCapsA(candidate, &caps, sizeof caps) != MMSYSERR_NOERROR)
            continue;
        if (strcmp(caps.szPname, name) == 0) {
            *id = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" {

SUB_API void SUB_CALL PlayByDevice(const char* path, const char* deviceName, UINT volume) {
    // A path that does not fit would be cut and name another file.
    if (!path || !deviceName || strlen(path) >= sizeof g_player.path)
        return;
    if (InterlockedCompareExchange(&g_busy, 1, 0) != 0)
        return; // a playback is in progress: the request is dropped, not queued
    Player& player = g_player;
    strcpy(player.path, path);
    player.volume = volume;
    if (FindDevice(deviceName, &player.deviceId)) {
        HANDLE thread = CreateThread(nullptr, 0, PlaybackThread, nullptr, 0, nullptr);
        if (thread) {
            CloseHandle(thread);
            return;
        }
    }
    InterlockedExchange(&g_busy, 0);
}

SUB_API void SUB_CALL WaitForPlayEnd(void) {
    while (InterlockedCompareExchange(&g_busy, 0, 0) != 0)
        Sleep(1);
    Sleep(1);
}

} // extern "C"
