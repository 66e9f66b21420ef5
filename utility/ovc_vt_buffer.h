// The terminal control's text: line splitting, byte cleaning and the bounded history. Portable
// (no system calls), so it can be tested in-process on any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace ovc {

// What the control's property text "P: PN=Terminal, LF=14, VW=512" sets.
struct TerminalProperties {
    int linePitch = 14;        // LF: pixels from one line to the next (the font's cell height)
    size_t historyLines = 512; // VW: finished lines kept
};

// Reads "KEY=value" pairs separated by commas after an optional "P:"; unknown keys are ignored,
// and a missing, malformed or out-of-range value keeps its default.
TerminalProperties ParseTerminalProperties(const char* text);

class TerminalBuffer {
  public:
    static constexpr size_t kMaxLineBytes = 2048; // longer lines wrap
    static constexpr size_t kMinHistory = 16;
    static constexpr size_t kMaxHistory = 100000;

    // leadBytes: 256 flags, true for the lead bytes of the code page's double-byte characters;
    // null for a single-byte code page.
    TerminalBuffer(size_t historyLines, const bool* leadBytes);

    void Append(const char* bytes, size_t count);
    void Clear();

    // Kept lines, the open (last, unfinished, possibly empty) line included: at least 1.
    size_t LineCount() const { return lines_.size(); }
    const std::string& Line(size_t index) const { return lines_[index]; }
    // Number of lines dropped from the front so far: the absolute number of Line(0).
    uint64_t FirstLineNumber() const { return dropped_; }
    // Lines finished (by a line feed or a wrap) since creation.
    uint64_t FinishedLines() const { return finished_; }
    // Bytes of the longest kept line.
    size_t LongestLine() const;
    // The kept lines joined by CRLF.
    std::string Text() const;
    size_t TextLength() const;

  private:
    void Put(char byte);
    void PutPair(char lead, char trail);
    void PutTab();
    void FinishLine();

    size_t history_;
    bool leadBytes_[256];
    std::deque<std::string> lines_;
    uint64_t dropped_ = 0;
    uint64_t finished_ = 0;
    mutable size_t longest_ = 0;
    mutable bool longestKnown_ = true;
};

} // namespace ovc
