#include "sound_wave.h"

#include <string.h>

namespace {

uint16_t ReadU16(const unsigned char* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t ReadU32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool TagAt(const unsigned char* bytes, const char* tag) {
    return memcmp(bytes, tag, 4) == 0;
}

size_t SkipZeros(const unsigned char* head, size_t count, size_t pos) {
    while (pos < count && head[pos] == 0)
        ++pos;
    return pos;
}

// The format chunk starts at 12 and its fixed part ends at 36, whatever size it declares: what
// follows is searched from there.
constexpr size_t kAfterFormat = 36;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kFactChunkSize = 12;

} // namespace

bool ParseWaveHead(const unsigned char* head, size_t count, WaveLayout* layout) {
    if (!head || !layout)
        return false;
    if (count > kWaveHeadSize)
        count = kWaveHeadSize;
    if (count < kWaveMinHeadSize)
        return false;
    if (!TagAt(head, "RIFF") || ReadU32(head + 4) <= 28 || !TagAt(head + 8, "WAVE") ||
        !TagAt(head + 12, "fmt ") || ReadU32(head + 16) < 16)
        return false;
    WaveLayout found;
    found.channels = ReadU16(head + 22);
    found.samplesPerSec = ReadU32(head + 24);
    found.avgBytesPerSec = ReadU32(head + 28);
    found.blockAlign = ReadU16(head + 32);
    found.bitsPerSample = ReadU16(head + 34);
    if (!found.channels || !found.samplesPerSec || !found.avgBytesPerSec || !found.blockAlign ||
        !found.bitsPerSample)
        return false;

    size_t pos = SkipZeros(head, count, kAfterFormat);
    if (count - pos < 4)
        return false;
    if (TagAt(head + pos, "fact"))
        pos = SkipZeros(head, count, pos + kFactChunkSize);
    if (pos > count || count - pos < kChunkHeaderSize || !TagAt(head + pos, "data") ||
        ReadU32(head + pos + 4) == 0)
        return false;
    found.dataOffset = static_cast<uint32_t>(pos + kChunkHeaderSize);
    *layout = found;
    return true;
}

uint32_t WaveVolumeWord(uint32_t percent) {
    // A damaged settings file can hold any number; the plain formula would wrap to an arbitrary
    // level above 100 (101 is nearly silent, 500 nearly full), so such values mean full volume.
    if (percent > 100)
        percent = 100;
    uint32_t level = percent * 65535u / 100u;
    return level << 16 | level;
}
