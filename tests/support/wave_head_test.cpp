// The player's wave head check and volume word, in-process on tables of byte layouts.
#include <gtest/gtest.h>

#include "sound_wave.h"
#include "test_support.h"
#include "wave_bytes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace dormex_test;

namespace {

const std::string kZeroWord = std::string(2, '\0');

WaveFormatFields FieldsWith(void (*change)(WaveFormatFields&)) {
    WaveFormatFields fields;
    change(fields);
    return fields;
}

struct HeadCase {
    const char* name;
    std::string bytes;
    size_t count; // the bytes read; npos = all of them
    bool accepted;
    uint32_t dataOffset; // when accepted
};

constexpr size_t kAll = std::string::npos;

std::vector<HeadCase> HeadCases() {
    const std::string samples = TestSignal(64, 1);
    const std::string head16 = WaveHead(1000, 16);
    const std::string data = ChunkHeader("data", 64) + samples;
    // Zeros after the format chunk so that the "data" header ends exactly at byte 512.
    const std::string padTo512 = std::string(512 - 36 - 8, '\0');
    return {
        {"canonical 44-byte header", CanonicalWave(samples), kAll, true, 44},
        {"18-byte format chunk", WaveHead(1000, 18) + kZeroWord + data, kAll, true, 46},
        {"fact chunk", head16 + FactChunk(32) + data, kAll, true, 56},
        {"18-byte format chunk and fact chunk", WaveHead(1000, 18) + kZeroWord + FactChunk(32) + data, kAll,
         true, 58},
        {"zeros, fact, zeros", head16 + std::string(6, '\0') + FactChunk(0) + std::string(10, '\0') + data,
         kAll, true, 72},
        {"fact value of zeros", head16 + ChunkHeader("fact", 0) + Le32(0) + data, kAll, true, 56},
        {"data header ends at the bytes read", head16 + ChunkHeader("data", 64), kAll, true, 44},
        {"data header one byte short", head16 + ChunkHeader("data", 64), 43, false, 0},
        {"only the data tag read", head16 + ChunkHeader("data", 64), 40, false, 0},
        {"35 bytes read", CanonicalWave(samples), 35, false, 0},
        {"36 bytes read", CanonicalWave(samples), 36, false, 0},
        {"nothing read", CanonicalWave(samples), 0, false, 0},
        {"data header ends at byte 512", head16 + padTo512 + data, kAll, true, 512},
        {"data header ends at byte 513", head16 + std::string(1, '\0') + padTo512 + data, kAll, false, 0},
        {"data header ends at byte 512 of 511 read", head16 + padTo512 + data, 511, false, 0},
        {"data size 0", head16 + ChunkHeader("data", 0) + samples, kAll, false, 0},
        {"data size larger than the file", head16 + ChunkHeader("data", 0xffffffff) + samples, kAll, true,
         44},
        {"list chunk before data", head16 + ChunkHeader("LIST", 4) + "INFO" + data, kAll, false, 0},
        {"two fact chunks", head16 + FactChunk(1) + FactChunk(1) + data, kAll, false, 0},
        {"fact chunk cut short", head16 + "fact" + Le32(4), kAll, false, 0},
        {"a non-zero byte before data", head16 + "\x01" + data, kAll, false, 0},
        {"format chunk not first",
         "RIFF" + Le32(1000) + "WAVE" + ChunkHeader("JUNK", 4) + "junk" + WaveHead(0, 16).substr(12) + data,
         kAll, false, 0},
        {"not RIFF", "RIFX" + CanonicalWave(samples).substr(4), kAll, false, 0},
        {"not WAVE", CanonicalWave(samples).replace(8, 4, "AVI "), kAll, false, 0},
        {"RIFF size 28", WaveHead(28, 16) + data, kAll, false, 0},
        {"RIFF size 29", WaveHead(29, 16) + data, kAll, true, 44},
        {"RIFF size larger than the file", WaveHead(0xffffffff, 16) + data, kAll, true, 44},
        {"format size 15", WaveHead(1000, 15) + data, kAll, false, 0},
        {"format size huge (not used)", WaveHead(1000, 0xffffffff) + data, kAll, true, 44},
        {"format tag not examined",
         WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.tag = 3; })) + data, kAll, true, 44},
        {"no channels", WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.channels = 0; })) + data,
         kAll, false, 0},
        {"no sample rate",
         WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.samplesPerSec = 0; })) + data, kAll, false,
         0},
        {"no byte rate",
         WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.avgBytesPerSec = 0; })) + data, kAll,
         false, 0},
        {"no block alignment",
         WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.blockAlign = 0; })) + data, kAll, false,
         0},
        {"no sample size",
         WaveHead(1000, 16, FieldsWith([](WaveFormatFields& f) { f.bitsPerSample = 0; })) + data, kAll, false,
         0},
        {"zeros only", std::string(512, '\0'), kAll, false, 0},
    };
}

TEST(WaveHead, AcceptsExactlyTheLayoutsOfTheTable) {
    for (const HeadCase& c : HeadCases()) {
        SCOPED_TRACE(c.name);
        size_t count = c.count == kAll ? c.bytes.size() : c.count;
        ASSERT_LE(count, c.bytes.size());
        WaveLayout layout;
        memset(&layout, 0xab, sizeof layout);
        bool accepted = ParseWaveHead(reinterpret_cast<const unsigned char*>(c.bytes.data()), count, &layout);
        EXPECT_EQ(c.accepted, accepted);
        if (accepted) {
            EXPECT_EQ(c.dataOffset, layout.dataOffset);
        } else {
            WaveLayout untouched;
            memset(&untouched, 0xab, sizeof untouched);
            EXPECT_EQ(0, memcmp(&untouched, &layout, sizeof layout)) << "a failed check changed its output";
        }
    }
}

TEST(WaveHead, LooksAtTheFirst512BytesOnly) {
    // The "data" header lies beyond the window even though more bytes are given.
    std::string bytes = WaveHead(1000, 16) + std::string(512 - 36 - 7, '\0') + ChunkHeader("data", 64);
    bytes += std::string(100, 'x');
    WaveLayout layout;
    EXPECT_FALSE(ParseWaveHead(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &layout));
}

TEST(WaveHead, TakesTheFormatFromTheHeader) {
    WaveFormatFields fields;
    fields.tag = 0xfffe;
    fields.channels = 2;
    fields.samplesPerSec = 44100;
    fields.avgBytesPerSec = 176400;
    fields.blockAlign = 4;
    fields.bitsPerSample = 16;
    std::string bytes = CanonicalWave(TestSignal(16, 2), fields);
    WaveLayout layout{};
    ASSERT_TRUE(ParseWaveHead(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &layout));
    EXPECT_EQ(2, layout.channels);
    EXPECT_EQ(44100u, layout.samplesPerSec);
    EXPECT_EQ(176400u, layout.avgBytesPerSec);
    EXPECT_EQ(4, layout.blockAlign);
    EXPECT_EQ(16, layout.bitsPerSample);
    EXPECT_EQ(44u, layout.dataOffset);
}

TEST(WaveHead, RefusesMissingInputs) {
    std::string bytes = CanonicalWave(TestSignal(16, 3));
    WaveLayout layout;
    EXPECT_FALSE(ParseWaveHead(nullptr, bytes.size(), &layout));
    EXPECT_FALSE(ParseWaveHead(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nullptr));
}

TEST(WaveVolume, IsTheLevelInBothHalves) {
    struct {
        uint32_t percent;
        uint32_t word;
    } const cases[] = {
        {0, 0x00000000},   {1, 0x028f028f},   {50, 0x7fff7fff},    {80, 0xcccccccc},
        {99, 0xfd6ffd6f},  {100, 0xffffffff}, // 99 * 65535 / 100 = 64879 = 0xfd6f
        {101, 0xffffffff}, {500, 0xffffffff}, {65537, 0xffffffff}, {0xffffffff, 0xffffffff},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        EXPECT_EQ(c.word, WaveVolumeWord(c.percent));
    }
    EXPECT_EQ(52428u, WaveVolumeWord(80) & 0xffff);
}

// The sounds shipped beside the programs: 16-bit PCM mono with the canonical header, true sizes,
// a few seconds of speech.
TEST(ShippedSounds, AreCanonicalSpeechFiles) {
    for (const char* name :
         {"Dx2Sound60.wav", "Dx2Sound30.wav", "Dx2Sound10.wav", "Dx2Sound03.wav", "Dx2Sound99.wav"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadFileBytes(BinDir() + name);
        ASSERT_GT(bytes.size(), 44u);
        WaveLayout layout{};
        ASSERT_TRUE(
            ParseWaveHead(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &layout));
        EXPECT_EQ(44u, layout.dataOffset);
        EXPECT_EQ(1, layout.channels);
        EXPECT_EQ(16, layout.bitsPerSample);
        EXPECT_EQ(22050u, layout.samplesPerSec);
        EXPECT_EQ(44100u, layout.avgBytesPerSec);
        EXPECT_EQ(2, layout.blockAlign);
        EXPECT_EQ(Le32(static_cast<uint32_t>(bytes.size() - 8)), bytes.substr(4, 4));
        EXPECT_EQ(Le32(static_cast<uint32_t>(bytes.size() - 44)), bytes.substr(40, 4));
        double seconds = (bytes.size() - 44) / 44100.0;
        EXPECT_GT(seconds, 1.0);
        EXPECT_LT(seconds, 10.0);
        int loudest = 0;
        for (size_t i = 44; i + 1 < bytes.size(); i += 2) {
            int sample = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                              static_cast<uint8_t>(bytes[i + 1]) << 8);
            loudest = std::max(loudest, std::abs(sample));
        }
        EXPECT_GT(loudest, 16000) << "speech normalised near full scale";
    }
}

} // namespace
