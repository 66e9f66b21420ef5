// Wave playback for real: the test session's only wave output device writes what it plays to a
// raw file (DORMEX_SOUND_CAPTURE), which is compared with the samples of the file played.
#include <gtest/gtest.h>

#include "OrvDl2SubFuncs.h"
#include "test_support.h"
#include "wave_bytes.h"

#include <mmsystem.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace dormex_test;

namespace {

// What the capture file holds until the device is opened (each open empties it).
const std::string kNotPlayed = "nothing played yet";

// The capture file as a Windows path (Wine's drive Z: is the Unix root).
std::string CapturePath() {
    const char* unixPath = getenv("DORMEX_SOUND_CAPTURE");
    if (!unixPath || !*unixPath)
        return "";
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string FirstDeviceName() {
    WAVEOUTCAPSA caps;
    if (waveOutGetNumDevs() == 0 || waveOutGetDevCapsA(0, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return "";
    return caps.szPname;
}

// True when captured is the expected bytes followed by nothing but silence.
::testing::AssertionResult PlayedExactly(const std::string& captured, const std::string& expected) {
    if (captured.size() < expected.size())
        return ::testing::AssertionFailure()
               << captured.size() << " bytes captured, " << expected.size() << " expected";
    for (size_t i = 0; i < expected.size(); ++i)
        if (captured[i] != expected[i])
            return ::testing::AssertionFailure() << "first difference at byte " << i;
    for (size_t i = expected.size(); i < captured.size(); ++i)
        if (captured[i] != 0)
            return ::testing::AssertionFailure() << "non-silent byte " << i << " after the samples";
    return ::testing::AssertionSuccess();
}

int16_t SampleAt(const std::string& bytes, size_t index) {
    return static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * index]) |
                                static_cast<uint8_t>(bytes[2 * index + 1]) << 8);
}

class SoundPlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        capture_ = CapturePath();
        ASSERT_FALSE(capture_.empty()) << "DORMEX_SOUND_CAPTURE is not set";
        device_ = FirstDeviceName();
        ASSERT_FALSE(device_.empty()) << "no wave output device";
        WaitForPlayEnd();
        ResetCapture();
    }

    void ResetCapture() { ASSERT_TRUE(WriteFileBytes(capture_, kNotPlayed)); }

    std::string WriteWave(const std::string& name, const std::string& bytes) {
        std::string path = scratch_.File(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }

    // Plays a file to its end and returns what the device wrote.
    std::string Play(const std::string& path, const std::string& device, UINT volume) {
        ResetCapture();
        PlayByDevice(path.c_str(), device.c_str(), volume);
        WaitForPlayEnd();
        return ReadFileBytes(capture_);
    }
    std::string Play(const std::string& path, UINT volume = 100) { return Play(path, device_, volume); }

    ScratchDir scratch_;
    std::string capture_;
    std::string device_;
};

TEST_F(SoundPlayback, AcceptedLayoutsPlayEveryByteAfterTheDataHeader) {
    const std::string head16 = WaveHead(100000, 16);
    const std::string trailer = ChunkHeader("LIST", 12) + "INFO" + "ISFT" + Le32(0);
    struct {
        const char* name;
        std::string bytes;
        size_t dataOffset;
    } const cases[] = {
        {"canonical 44-byte header", CanonicalWave(TestSignal(10000, 1)), 44},
        {"18-byte format chunk",
         WaveHead(100000, 18) + Le16(0) + ChunkHeader("data", 10000) + TestSignal(10000, 2), 46},
        {"fact chunk", head16 + FactChunk(5000) + ChunkHeader("data", 10000) + TestSignal(10000, 3), 56},
        {"zeros, fact, zeros",
         head16 + std::string(4, '\0') + FactChunk(5000) + std::string(2, '\0') + ChunkHeader("data", 10000) +
             TestSignal(10000, 4),
         62},
        {"exactly 4096 bytes of data", CanonicalWave(TestSignal(4096, 5)), 44},
        {"4098 bytes of data", CanonicalWave(TestSignal(4098, 6)), 44},
        {"8192 bytes of data", CanonicalWave(TestSignal(8192, 7)), 44},
        {"two bytes of data", CanonicalWave(TestSignal(2, 8)), 44},
        {"many buffers", CanonicalWave(TestSignal(100002, 9)), 44},
        {"trailing chunk played as samples", CanonicalWave(TestSignal(10000, 10)) + trailer, 44},
        {"data size larger than the file", head16 + ChunkHeader("data", 0xffffffff) + TestSignal(10000, 11),
         44},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteWave("accepted.wav", c.bytes);
        EXPECT_TRUE(PlayedExactly(Play(path), c.bytes.substr(c.dataOffset)));
    }
}

TEST_F(SoundPlayback, RejectedFilesPlayNothing) {
    const std::string samples = TestSignal(10000, 20);
    const std::string head16 = WaveHead(100000, 16);
    const std::string data = ChunkHeader("data", 10000) + samples;
    struct {
        const char* name;
        std::string bytes;
    } const cases[] = {
        {"list chunk before data", head16 + ChunkHeader("LIST", 4) + "INFO" + data},
        {"format chunk not first", "RIFF" + Le32(100000) + "WAVE" + ChunkHeader("JUNK", 4) + "junk" +
                                       WaveHead(0, 16).substr(12) + data},
        {"truncated in the format chunk", CanonicalWave(samples).substr(0, 35)},
        {"truncated in the data header", CanonicalWave(samples).substr(0, 43)},
        {"empty", ""},
        {"data size 0", head16 + ChunkHeader("data", 0) + samples},
        {"RIFF size too small", WaveHead(28, 16) + data},
        {"format chunk too small", WaveHead(100000, 15) + data},
        {"no channels", WaveHead(100000, 16,
                                 [] {
                                     WaveFormatFields f;
                                     f.channels = 0;
                                     return f;
                                 }()) +
                            data},
        {"data header beyond the first 512 bytes", head16 + std::string(600, '\0') + data},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteWave("rejected.wav", c.bytes);
        EXPECT_EQ(kNotPlayed, Play(path));
    }
    EXPECT_EQ(kNotPlayed, Play(scratch_.File("missing.wav")));
    // The player is idle again and plays the next acceptable file.
    std::string good = WriteWave("good.wav", CanonicalWave(samples));
    EXPECT_TRUE(PlayedExactly(Play(good), samples));
}

TEST_F(SoundPlayback, DeviceNameMustMatchExactly) {
    const std::string samples = TestSignal(8000, 30);
    std::string path = WriteWave("device.wav", CanonicalWave(samples));
    std::string lower = device_, upper = device_;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(lower != device_ || upper != device_) << "the device name has no letters";
    for (const std::string& name :
         {lower, upper, std::string(), device_.substr(0, device_.size() - 1), device_ + " ", " " + device_}) {
        if (name == device_)
            continue;
        SCOPED_TRACE("device \"" + name + "\"");
        EXPECT_EQ(kNotPlayed, Play(path, name, 100));
    }
    EXPECT_TRUE(PlayedExactly(Play(path, device_, 100), samples));
}

TEST_F(SoundPlayback, VolumeScalesEverySample) {
    const std::string samples = TestSignal(20000, 40);
    std::string path = WriteWave("volume.wav", CanonicalWave(samples));

    EXPECT_TRUE(PlayedExactly(Play(path, 100), samples));
    // Out of range (a damaged settings file): full level, not a wrapped-around one.
    EXPECT_TRUE(PlayedExactly(Play(path, 500), samples));

    std::string quiet = Play(path, 80);
    ASSERT_GE(quiet.size(), samples.size());
    size_t off = 0;
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        double expected = SampleAt(samples, i) * 52428.0 / 65535.0;
        if (std::abs(SampleAt(quiet, i) - expected) > 1.0)
            ++off;
    }
    EXPECT_EQ(0u, off) << "samples not at 52428/65535 of the file's level";

    std::string silent = Play(path, 0);
    ASSERT_NE(kNotPlayed, silent) << "volume 0 still opens the device";
    EXPECT_TRUE(PlayedExactly(silent, std::string(samples.size(), '\0')));
}

TEST_F(SoundPlayback, RequestWhilePlayingIsIgnored) {
    const std::string first = TestSignal(200000, 50), second = TestSignal(20000, 51);
    std::string firstPath = WriteWave("first.wav", CanonicalWave(first));
    std::string secondPath = WriteWave("second.wav", CanonicalWave(second));

    PlayByDevice(firstPath.c_str(), device_.c_str(), 100);
    PlayByDevice(secondPath.c_str(), device_.c_str(), 100);
    WaitForPlayEnd();
    EXPECT_TRUE(PlayedExactly(ReadFileBytes(capture_), first));

    EXPECT_TRUE(PlayedExactly(Play(secondPath), second));
}

TEST_F(SoundPlayback, RequestsFromManyThreadsStartOnePlayback) {
    constexpr int kThreads = 8;
    std::vector<std::string> signals, paths;
    for (int i = 0; i < kThreads; ++i) {
        signals.push_back(TestSignal(30000, 60 + i));
        paths.push_back(WriteWave("thread" + std::to_string(i) + ".wav", CanonicalWave(signals.back())));
    }
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, go);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] {
            WaitForSingleObject(go, INFINITE);
            PlayByDevice(paths[i].c_str(), device_.c_str(), 100);
        });
    SetEvent(go);
    for (std::thread& t : threads)
        t.join();
    CloseHandle(go);
    WaitForPlayEnd();

    std::string captured = ReadFileBytes(capture_);
    int played = 0;
    for (const std::string& signal : signals)
        played += PlayedExactly(captured, signal) ? 1 : 0;
    EXPECT_EQ(1, played) << "exactly one request plays, whole";
}

TEST_F(SoundPlayback, ShippedTestSoundPlays) {
    std::string path = BinDir() + "Dx2Sound99.wav";
    std::string bytes = ReadFileBytes(path);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_TRUE(PlayedExactly(Play(path), bytes.substr(44)));
}

TEST_F(SoundPlayback, UnusablePathsPlayNothing) {
    const std::string samples = TestSignal(8000, 70);
    // A file whose path is exactly MAX_PATH - 1 characters long plays ...
    std::string name(MAX_PATH - 1 - scratch_.Path().size() - 4, 'w');
    std::string longest = WriteWave(name + ".wav", CanonicalWave(samples));
    ASSERT_EQ(size_t(MAX_PATH - 1), longest.size());
    EXPECT_TRUE(PlayedExactly(Play(longest), samples));
    // ... but a longer path is not cut down to it.
    EXPECT_EQ(kNotPlayed, Play(longest + ".old"));

    ResetCapture();
    PlayByDevice(nullptr, device_.c_str(), 100);
    PlayByDevice(longest.c_str(), nullptr, 100);
    WaitForPlayEnd();
    EXPECT_EQ(kNotPlayed, ReadFileBytes(capture_));
}

} // namespace
