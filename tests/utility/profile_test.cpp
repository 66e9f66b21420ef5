// The profile functions: our INI reading and writing against Windows' own, numbers and texts,
// atomic replacement and batches.
#include "OrvCtl.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

using dormex_test::ReadFileBytes;
using dormex_test::ScratchDir;
using dormex_test::WriteFileBytes;

namespace {

class ProfileTest : public ::testing::Test {
  protected:
    void SetUp() override { OvcSetProfilePathA(file_.c_str()); }
    void TearDown() override { OvcSetProfilePathA(nullptr); }

    std::string WindowsGet(const char* section, const char* key, const char* def = "<absent>") {
        char buffer[1024];
        GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, file_.c_str());
        return buffer;
    }
    std::string OurGet(const char* section, const char* key, const char* def = "<absent>") {
        char buffer[1024];
        OvcGetProfileStrA(section, key, def, buffer, sizeof buffer);
        return buffer;
    }

    ScratchDir dir_;
    std::string file_ = dir_.File("test.ini");
};

TEST(ProfileNoFileTest, GetsGiveTheDefaultAndPutsWriteNothing) {
    OvcSetProfilePathA(nullptr);
    EXPECT_EQ(4242u, OvcGetProfileUIntA("MAIN", "LogHost", 4242));
    char buffer[16] = "sentinel";
    EXPECT_EQ(7, OvcGetProfileStrA("MAIN", "LogHost", "default", buffer, sizeof buffer));
    EXPECT_STREQ("default", buffer);
    EXPECT_EQ(0, OvcPutProfileUIntA("MAIN", "x", 1));
    EXPECT_EQ(0, OvcPutProfileStrA("MAIN", "x", "y"));
    OvcBeginProfileBatch();
    EXPECT_EQ(0, OvcPutProfileStrA("MAIN", "x", "y"));
    EXPECT_EQ(1, OvcEndProfileBatch());
    EXPECT_EQ(0, OvcEndProfileBatch()) << "an end without a begin";
}

// The textual form of numbers: whole unsigned decimals only; everything else reads as the default.
TEST_F(ProfileTest, NumbersInTheFile) {
    const struct {
        const char* text;
        UINT expected;
    } cases[] = {
        {"0", 0},
        {"42", 42},
        {"  42  ", 42},
        {"007", 7},
        {"\"42\"", 42},
        {"4294967295", 4294967295u},
        {"4294967296", 777},
        {"99999999999", 777},
        {"00000000001", 777}, // more than ten digits
        {"-1", 777},
        {"+5", 777},
        {"12abc", 777},
        {"1.5", 777},
        {"0x10", 777},
        {"1 2", 777},
        {"", 777},
        {"abc", 777},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(file_, std::string("[S]\r\nn=") + c.text + "\r\n"));
        EXPECT_EQ(c.expected, OvcGetProfileUIntA("S", "n", 777)) << "value text: '" << c.text << "'";
    }
}

TEST_F(ProfileTest, TextsAreCutToTheBuffer) {
    ASSERT_TRUE(WriteFileBytes(file_, "[S]\r\nt=abcdef\r\n"));
    const struct {
        int size;
        const char* expected;
        int length;
    } cases[] = {{1, "", 0}, {2, "a", 1}, {6, "abcde", 5}, {7, "abcdef", 6}, {100, "abcdef", 6}};
    for (const auto& c : cases) {
        char buffer[128];
        memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(c.length, OvcGetProfileStrA("S", "t", "def", buffer, c.size)) << c.size;
        EXPECT_STREQ(c.expected, buffer) << c.size;
        EXPECT_EQ('X', buffer[c.size]) << "wrote beyond the buffer of " << c.size;
    }
    char buffer[8] = "keep";
    EXPECT_EQ(0, OvcGetProfileStrA("S", "t", "def", buffer, 0));
    EXPECT_STREQ("keep", buffer);
    EXPECT_EQ(0, OvcGetProfileStrA("S", "missing", nullptr, buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

// Whatever we write, Windows reads back the same, and the other way round.
TEST_F(ProfileTest, WindowsReadsWhatWeWriteAndWeReadWhatWindowsWrites) {
    const std::string long255(255, 'L');
    const char* values[] = {
        "plain",
        "",
        " leading",
        "trailing ",
        "  both  ",
        "\"quoted\"",
        "'single'",
        "\"half",
        "in \"the\" middle",
        "a=b=c",
        ";not a comment",
        "[not a section]",
        "\x96\xBC\x91\x4F\x95\x5C", // double-byte text with a 0x5C trail byte
        long255.c_str(),
    };
    int n = 0;
    for (const char* value : values) {
        std::string key = "k" + std::to_string(n++);
        ASSERT_EQ(1, OvcPutProfileStrA("Ours", key.c_str(), value));
        EXPECT_EQ(value, WindowsGet("Ours", key.c_str())) << "key " << key;
        EXPECT_EQ(value, OurGet("Ours", key.c_str())) << "key " << key;
    }
    n = 0;
    for (const char* value : values) {
        std::string key = "w" + std::to_string(n++);
        ASSERT_TRUE(WritePrivateProfileStringA("Theirs", key.c_str(), value, file_.c_str()));
        // Windows itself drops blanks at the ends; we must read what Windows reads.
        EXPECT_EQ(WindowsGet("Theirs", key.c_str()), OurGet("Theirs", key.c_str())) << "key " << key;
    }
    ASSERT_EQ(1, OvcPutProfileUIntA("Ours", "number", 4000000000u));
    EXPECT_EQ(static_cast<UINT>(4000000000u), GetPrivateProfileIntA("Ours", "number", 5, file_.c_str()));
    ASSERT_TRUE(WritePrivateProfileStringA("Theirs", "number", "123", file_.c_str()));
    EXPECT_EQ(123u, OvcGetProfileUIntA("Theirs", "number", 5));
    // Both sections are still there, each key once.
    EXPECT_EQ("plain", WindowsGet("Ours", "k0"));
    EXPECT_EQ("plain", OurGet("Theirs", "w0"));
}

TEST_F(ProfileTest, NamesIgnoreCaseAndTheFirstEntryWins) {
    ASSERT_TRUE(
        WriteFileBytes(file_, "[Main]\r\nLogHost = first \r\nloghost=second\r\n[MAIN]\r\nLogHost=third\r\n"));
    EXPECT_EQ("first", OurGet("MAIN", "LOGHOST"));
    EXPECT_EQ(WindowsGet("MAIN", "LOGHOST"), OurGet("MAIN", "LOGHOST"));
    ASSERT_EQ(1, OvcPutProfileStrA("main", "LOGHOST", "new"));
    EXPECT_EQ("new", OurGet("MAIN", "LogHost"));
    EXPECT_EQ("new", WindowsGet("MAIN", "LogHost"));
}

// A put changes one line and leaves every other byte of the file as it was.
TEST_F(ProfileTest, PutKeepsTheRestOfTheFile) {
    const std::string before = "; comment line\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n";
    ASSERT_TRUE(WriteFileBytes(file_, before));
    ASSERT_EQ(1, OvcPutProfileStrA("A", "y", "20"));
    EXPECT_EQ("; comment line\r\n[A]\r\nx=1\r\ny=20\r\n\r\n[B]\r\nz=3\r\n", ReadFileBytes(file_));
    ASSERT_EQ(1, OvcPutProfileStrA("A", "new", "n"));
    EXPECT_EQ("; comment line\r\n[A]\r\nx=1\r\ny=20\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n", ReadFileBytes(file_));
    ASSERT_EQ(1, OvcPutProfileStrA("C", "k", "v"));
    EXPECT_EQ("; comment line\r\n[A]\r\nx=1\r\ny=20\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nk=v\r\n",
              ReadFileBytes(file_));
    EXPECT_EQ("v", WindowsGet("C", "k"));
}

TEST_F(ProfileTest, ValuesAreOneLine) {
    ASSERT_EQ(1, OvcPutProfileStrA("S", "t", "first line\r\nsecond=line"));
    EXPECT_EQ("first line", OurGet("S", "t"));
    EXPECT_EQ("<absent>", OurGet("S", "second"));
}

// The identity of the file on disk: a rewrite replaces the file, so it changes.
ULONGLONG FileIdentity(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    EXPECT_TRUE(GetFileInformationByHandle(file, &info));
    CloseHandle(file);
    return (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

TEST_F(ProfileTest, UnchangedPutDoesNotRewriteTheFile) {
    ASSERT_EQ(1, OvcPutProfileStrA("S", "t", "v"));
    ULONGLONG before = FileIdentity(file_);
    EXPECT_EQ(1, OvcPutProfileStrA("S", "t", "v"));
    EXPECT_EQ(before, FileIdentity(file_)) << "nothing to write";
    EXPECT_EQ(1, OvcPutProfileStrA("S", "t", "w"));
    EXPECT_NE(before, FileIdentity(file_)) << "a change replaces the file";
}

TEST_F(ProfileTest, FailedWriteIsReportedAndLeavesNoTrace) {
    std::string missing = dir_.File("no-such-folder\\x.ini");
    OvcSetProfilePathA(missing.c_str());
    EXPECT_EQ(0, OvcPutProfileStrA("S", "t", "v"));
    EXPECT_EQ(0, OvcPutProfileUIntA("S", "n", 1));
    OvcBeginProfileBatch();
    EXPECT_EQ(1, OvcPutProfileStrA("S", "t", "v")) << "kept in memory until the end";
    EXPECT_EQ(0, OvcEndProfileBatch());
    EXPECT_EQ(777u, OvcGetProfileUIntA("S", "n", 777));
}

// Readers never see a half-written file, and no temporary file is left behind.
TEST_F(ProfileTest, ReplacementIsAtomic) {
    std::string filler(64 * 1024, 'f');
    ASSERT_EQ(1, OvcPutProfileStrA("Big", "filler", filler.c_str()));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, reads{0};
    std::thread reader([&] {
        while (!done) {
            std::string bytes = ReadFileBytes(file_);
            if (bytes.empty())
                continue; // not opened at this instant
            Sleep(1);     // a reader holds the file for a moment, not forever
            ++reads;
            if (bytes.find("filler=" + filler + "\r\n") == std::string::npos ||
                bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
                ++torn;
        }
    });
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(1, OvcPutProfileUIntA("Big", "counter", static_cast<UINT>(i)));
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(0, torn.load());
    EXPECT_EQ(99u, OvcGetProfileUIntA("Big", "counter", 0));

    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir_.Path() + "*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    int files = 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++files;
            EXPECT_STREQ("test.ini", data.cFileName);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_EQ(1, files);
}

TEST_F(ProfileTest, BatchReadsOnceAndWritesOnceAtTheEnd) {
    ASSERT_TRUE(WriteFileBytes(file_, "[S]\r\na=1\r\n"));
    OvcBeginProfileBatch();
    EXPECT_EQ(1u, OvcGetProfileUIntA("S", "a", 0));
    ASSERT_TRUE(WriteFileBytes(file_, "[S]\r\na=2\r\n")); // a change from outside is not seen
    EXPECT_EQ(1u, OvcGetProfileUIntA("S", "a", 0));
    EXPECT_EQ(1, OvcPutProfileUIntA("S", "b", 5));
    EXPECT_EQ(5u, OvcGetProfileUIntA("S", "b", 0)) << "gets see the batch's puts";
    OvcBeginProfileBatch(); // nested
    EXPECT_EQ(1, OvcPutProfileUIntA("S", "c", 6));
    EXPECT_EQ(1, OvcEndProfileBatch());
    EXPECT_EQ("[S]\r\na=2\r\n", ReadFileBytes(file_)) << "nothing written before the outer end";
    EXPECT_EQ(1, OvcEndProfileBatch());
    EXPECT_EQ("[S]\r\na=1\r\nb=5\r\nc=6\r\n", ReadFileBytes(file_));
}

TEST_F(ProfileTest, BatchWithoutChangesWritesNothing) {
    ASSERT_TRUE(WriteFileBytes(file_, "[S]\r\na=1\r\n"));
    ULONGLONG before = FileIdentity(file_);
    OvcBeginProfileBatch();
    EXPECT_EQ(1, OvcPutProfileUIntA("S", "a", 1));
    EXPECT_EQ(1, OvcEndProfileBatch());
    EXPECT_EQ(before, FileIdentity(file_)) << "an unchanged batch must not write";
}

// Another thread waits while a batch is open, so it never sees or mixes into half of it.
TEST_F(ProfileTest, BatchBelongsToItsThread) {
    OvcBeginProfileBatch();
    OvcPutProfileUIntA("S", "a", 1);
    std::atomic<bool> otherDone{false};
    std::thread other([&] {
        OvcPutProfileUIntA("S", "b", 2);
        otherDone = true;
    });
    Sleep(100);
    EXPECT_FALSE(otherDone.load());
    OvcEndProfileBatch();
    other.join();
    EXPECT_EQ(1u, OvcGetProfileUIntA("S", "a", 0));
    EXPECT_EQ(2u, OvcGetProfileUIntA("S", "b", 0));
}

} // namespace
