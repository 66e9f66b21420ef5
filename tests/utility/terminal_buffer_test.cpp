// The terminal's text: awkward bytes, line ends and the bounded history, in-process.
#include "ovc_vt_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Lead bytes of code page 932.
struct Cp932LeadBytes {
    Cp932LeadBytes() {
        for (int i = 0; i < 256; ++i)
            flags[i] = (i >= 0x81 && i <= 0x9F) || (i >= 0xE0 && i <= 0xFC);
    }
    bool flags[256];
};
const Cp932LeadBytes kCp932;

struct TextCase {
    const char* name;
    std::string input;
    std::string text;  // the kept lines joined by CRLF
    unsigned finished; // lines finished
    bool doubleByte;   // code page 932 instead of a single-byte code page
};

using std::string;
const TextCase kCases[] = {
    {"plain line", string("a line\n"), "a line\r\n", 1, false},
    {"log message with its NUL", string("12:00 PC APP: hello\n\0", 21), "12:00 PC APP: hello\r\n", 1, false},
    {"no final line feed", "open", "open", 0, false},
    {"CRLF ends one line", "one\r\ntwo\r\n", "one\r\ntwo\r\n", 2, false},
    {"CR inside a system text", "err ( The file exists.\r )\n", "err ( The file exists. )\r\n", 1, false},
    {"NUL in the middle", string("ab\0cd\n", 6), "abcd\r\n", 1, false},
    {"empty lines", "\n\n", "\r\n\r\n", 2, false},
    {"control bytes",
     "a\x01\x07\x08\x7F"
     "b\n",
     "a????b\r\n", 1, false},
    {"tab to the next stop", "ab\tc\n", "ab      c\r\n", 1, false},
    {"colour sequence dropped", "\x1b[1;31mred\x1b[0m\n", "red\r\n", 1, false},
    {"two-byte escape dropped",
     "\x1b"
     "7x\n",
     "x\r\n", 1, false},
    {"lone escape at the end", "x\x1b", "x?", 0, false},
    {"broken sequence ends at a line feed", "\x1b[12\nnext\n", "\r\nnext\r\n", 2, false},
    {"high bytes in a single-byte page", "caf\xE9 \x81\n", "caf\xE9 \x81\r\n", 1, false},
    {"valid double-byte text", "\x95\x5C\x8E\xA6\n", "\x95\x5C\x8E\xA6\r\n", 1, true},
    {"lead byte before a line feed", "x\x81\ny\n", "x?\r\ny\r\n", 2, true},
    {"lead byte before a control byte", "\x82\x01z", "??z", 0, true},
    {"lead byte at the very end", "abc\x88", "abc?", 0, true},
    {"lead byte before a NUL", string("\x93\0q", 3), "?q", 0, true},
};

TEST(TerminalBufferTest, CleansAndSplitsAwkwardInput) {
    for (const TextCase& test : kCases) {
        ovc::TerminalBuffer buffer(512, test.doubleByte ? kCp932.flags : nullptr);
        buffer.Append(test.input.data(), test.input.size());
        EXPECT_EQ(test.text, buffer.Text()) << test.name;
        EXPECT_EQ(test.text.size(), buffer.TextLength()) << test.name;
        EXPECT_EQ(test.finished, buffer.FinishedLines()) << test.name;
    }
}

TEST(TerminalBufferTest, SplitInputJoinsIntoTheOpenLine) {
    ovc::TerminalBuffer buffer(512, nullptr);
    buffer.Append("par", 3);
    buffer.Append("tial\nnext", 9);
    EXPECT_EQ("partial\r\nnext", buffer.Text());
    buffer.Append(nullptr, 5);
    buffer.Append("", 0);
    EXPECT_EQ("partial\r\nnext", buffer.Text());
}

TEST(TerminalBufferTest, KeepsOnlyTheNewestLines) {
    ovc::TerminalBuffer buffer(20, nullptr);
    for (int i = 0; i < 50; ++i) {
        string line = "line " + std::to_string(i) + "\n";
        buffer.Append(line.data(), line.size());
    }
    EXPECT_EQ(50u, buffer.FinishedLines());
    ASSERT_EQ(21u, buffer.LineCount()) << "20 finished lines and the open one";
    EXPECT_EQ(30u, buffer.FirstLineNumber());
    EXPECT_EQ("line 30", buffer.Line(0));
    EXPECT_EQ("line 49", buffer.Line(19));
    EXPECT_EQ("", buffer.Line(20));
    EXPECT_EQ(0u, buffer.Text().find("line 30\r\n"));
}

TEST(TerminalBufferTest, HistoryBoundIsClamped) {
    ovc::TerminalBuffer tiny(0, nullptr);
    for (int i = 0; i < 100; ++i)
        tiny.Append("x\n", 2);
    EXPECT_EQ(ovc::TerminalBuffer::kMinHistory + 1, tiny.LineCount());
}

TEST(TerminalBufferTest, LongLinesWrapWithoutSplittingCharacters) {
    ovc::TerminalBuffer buffer(512, kCp932.flags);
    string big(ovc::TerminalBuffer::kMaxLineBytes * 3 + 5, 'x');
    buffer.Append(big.data(), big.size());
    EXPECT_EQ(3u, buffer.FinishedLines());
    EXPECT_EQ(ovc::TerminalBuffer::kMaxLineBytes, buffer.Line(0).size());
    EXPECT_EQ(5u, buffer.Line(3).size());
    EXPECT_EQ(ovc::TerminalBuffer::kMaxLineBytes, buffer.LongestLine());

    ovc::TerminalBuffer pairs(512, kCp932.flags);
    string odd(ovc::TerminalBuffer::kMaxLineBytes - 1, 'y');
    odd += "\x8E\xA6";
    pairs.Append(odd.data(), odd.size());
    ASSERT_EQ(2u, pairs.LineCount());
    EXPECT_EQ(ovc::TerminalBuffer::kMaxLineBytes - 1, pairs.Line(0).size());
    EXPECT_EQ("\x8E\xA6", pairs.Line(1));
}

TEST(TerminalBufferTest, LongestLineFollowsDroppedLines) {
    ovc::TerminalBuffer buffer(16, nullptr);
    string wide(100, 'w');
    wide += '\n';
    buffer.Append(wide.data(), wide.size());
    EXPECT_EQ(100u, buffer.LongestLine());
    for (int i = 0; i < 16; ++i)
        buffer.Append("short\n", 6);
    EXPECT_EQ(5u, buffer.LongestLine());
}

TEST(TerminalBufferTest, ClearKeepsNumbersGoingUp) {
    ovc::TerminalBuffer buffer(512, nullptr);
    buffer.Append("a\nb\nc", 5);
    buffer.Clear();
    EXPECT_EQ("", buffer.Text());
    EXPECT_EQ(1u, buffer.LineCount());
    EXPECT_EQ(3u, buffer.FirstLineNumber());
    EXPECT_EQ(2u, buffer.FinishedLines());
}

TEST(TerminalBufferTest, RandomBytesNeverBreakTheBounds) {
    ovc::TerminalBuffer buffer(16, kCp932.flags);
    unsigned seed = 12345;
    string chunk;
    for (int round = 0; round < 200; ++round) {
        chunk.clear();
        for (int i = 0; i < 997; ++i) {
            seed = seed * 1103515245 + 12345;
            chunk += static_cast<char>(seed >> 16);
        }
        buffer.Append(chunk.data(), chunk.size());
        ASSERT_LE(buffer.LineCount(), 17u);
        for (size_t i = 0; i < buffer.LineCount(); ++i)
            ASSERT_LE(buffer.Line(i).size(), ovc::TerminalBuffer::kMaxLineBytes);
    }
    EXPECT_EQ(buffer.Text().size(), buffer.TextLength());
}

struct PropertyCase {
    const char* text;
    int pitch;
    size_t history;
};

TEST(TerminalPropertiesTest, ReadsPitchAndHistory) {
    const PropertyCase cases[] = {
        {"P: PN=Terminal, LF=14, VW=512", 14, 512},
        {"P: PN=Terminal, LF=20, VW=2000", 20, 2000},
        {"VW=100,LF=9", 9, 100},
        {"P:  LF = 16 ,  VW = 64 ", 16, 64},
        {"P: LF=abc, VW=-5", 14, 512},
        {"P: LF=3, VW=100001", 14, 512},
        {"P: LF=99999999999999999999, VW=1e3", 14, 512},
        {"", 14, 512},
        {nullptr, 14, 512},
    };
    for (const PropertyCase& test : cases) {
        ovc::TerminalProperties properties = ovc::ParseTerminalProperties(test.text);
        EXPECT_EQ(test.pitch, properties.linePitch) << (test.text ? test.text : "(null)");
        EXPECT_EQ(test.history, properties.historyLines) << (test.text ? test.text : "(null)");
    }
}

} // namespace
