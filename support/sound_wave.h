// The wave file checks and the volume arithmetic of the player, apart from the calls that touch
// the system so that they run on any bytes in-process.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The player reads and checks this many bytes of the file head at most.
constexpr size_t kWaveHeadSize = 512;
// A head shorter than this cannot hold the format fields.
constexpr size_t kWaveMinHeadSize = 36;

// What the player needs of an accepted file: the PCM format and where the samples start.
struct WaveLayout {
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint32_t dataOffset; // file offset of the first sample byte
};

// Checks the first bytes of a wave file (count = the bytes actually read, at most kWaveHeadSize
// are looked at). Accepts "RIFF" (size above 28) "WAVE" with the format chunk first, then only
// zero bytes and at most one 12-byte "fact" chunk before a non-empty "data" chunk whose 8-byte
// header lies within the bytes given. Returns true and fills layout, or false and leaves it
// untouched.
bool ParseWaveHead(const unsigned char* head, size_t count, WaveLayout* layout);

// The device volume word for a volume in percent: p * 65535 / 100 in both halves (low half left,
// high half right). Values above 100 play at the full level.
uint32_t WaveVolumeWord(uint32_t percent);
