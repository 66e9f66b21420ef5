#include "wave_bytes.h"

namespace dormex_test {

std::string Le16(uint16_t value) {
    return std::string{static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
}

std::string Le32(uint32_t value) {
    return Le16(static_cast<uint16_t>(value)) + Le16(static_cast<uint16_t>(value >> 16));
}

std::string WaveHead(uint32_t riffSize, uint32_t formatSize, const WaveFormatFields& fields) {
    return "RIFF" + Le32(riffSize) + "WAVE" + "fmt " + Le32(formatSize) + Le16(fields.tag) +
           Le16(fields.channels) + Le32(fields.samplesPerSec) + Le32(fields.avgBytesPerSec) +
           Le16(fields.blockAlign) + Le16(fields.bitsPerSample);
}

std::string ChunkHeader(const char* tag, uint32_t size) {
    return std::string(tag, 4) + Le32(size);
}

std::string FactChunk(uint32_t sampleCount) {
    return ChunkHeader("fact", 4) + Le32(sampleCount);
}

std::string CanonicalWave(const std::string& samples, const WaveFormatFields& fields) {
    uint32_t size = static_cast<uint32_t>(samples.size());
    return WaveHead(36 + size, 16, fields) + ChunkHeader("data", size) + samples;
}

std::string TestSignal(size_t byteCount, uint32_t seed) {
    std::string samples;
    samples.reserve(byteCount);
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i + 2 <= byteCount; i += 2) {
        state = state * 1664525u + 1013904223u;
        // Magnitude 2000..21999, either sign: never silent, and never at full scale, so that a
        // level applied twice or not at all shows.
        int magnitude = 2000 + static_cast<int>((state >> 8) % 20000);
        int16_t sample = static_cast<int16_t>((state & 0x80000000u) ? -magnitude : magnitude);
        samples += Le16(static_cast<uint16_t>(sample));
    }
    return samples;
}

} // namespace dormex_test
