// Wave files built byte by byte for the player's tests: well-formed, odd and broken layouts.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace dormex_test {

std::string Le16(uint16_t value);
std::string Le32(uint32_t value);

// The PCM fields of a format chunk.
struct WaveFormatFields {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 22050;
    uint32_t avgBytesPerSec = 44100;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
};

// "RIFF" riffSize "WAVE" "fmt " formatSize and the 16 bytes of the fields: 36 bytes.
std::string WaveHead(uint32_t riffSize, uint32_t formatSize, const WaveFormatFields& fields = {});
// An 8-byte chunk header.
std::string ChunkHeader(const char* tag, uint32_t size);
// A 12-byte "fact" chunk (sample count value).
std::string FactChunk(uint32_t sampleCount);
// A whole file: the canonical 44-byte header (sizes true) and the samples.
std::string CanonicalWave(const std::string& samples, const WaveFormatFields& fields = {});

// Little-endian 16-bit samples of a noisy signal that is never silent (no sample near zero),
// different for each seed; byteCount rounded down to whole samples.
std::string TestSignal(size_t byteCount, uint32_t seed);

} // namespace dormex_test
