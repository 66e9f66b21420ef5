// The terminal control's text: line splitting, byte cleaning and the bounded history.
#include "ovc_vt_buffer.h"

#include <algorithm>
#include <cstring>

namespace ovc {

namespace {

const char kReplacement = '?';
const size_t kTabWidth = 8;
const size_t kMaxEscapeBytes = 32; // a longer sequence is not one: stop dropping bytes

const int kMinPitch = 8;
const int kMaxPitch = 64;

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// A whole decimal number in [low, high]; false leaves value untouched.
bool ParseBounded(const std::string& text, unsigned long low, unsigned long high, unsigned long* value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long number = std::stoul(text);
    if (number < low || number > high)
        return false;
    *value = number;
    return true;
}

// A trail byte of a double-byte character in the DBCS code pages (932, 936, 949, 950).
bool IsTrailByte(unsigned char byte) {
    return byte >= 0x40 && byte != 0x7F && byte != 0xFF;
}

} // namespace

TerminalProperties ParseTerminalProperties(const char* text) {
    TerminalProperties properties;
    if (!text)
        return properties;
    std::string rest = Trim(text);
    if (rest.compare(0, 2, "P:") == 0)
        rest = rest.substr(2);
    size_t start = 0;
    while (start <= rest.size()) {
        size_t comma = rest.find(',', start);
        std::string pair = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t equals = pair.find('=');
        if (equals != std::string::npos) {
            std::string key = Trim(pair.substr(0, equals));
            std::string value = Trim(pair.substr(equals + 1));
            unsigned long number;
            if (key == "LF" && ParseBounded(value, kMinPitch, kMaxPitch, &number))
                properties.linePitch = static_cast<int>(number);
            else if (key == "VW" &&
                     ParseBounded(value, TerminalBuffer::kMinHistory, TerminalBuffer::kMaxHistory, &number))
                properties.historyLines = number;
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return properties;
}

TerminalBuffer::TerminalBuffer(size_t historyLines, const bool* leadBytes)
    : history_(std::min(std::max(historyLines, kMinHistory), kMaxHistory)), lines_(1) {
    for (int i = 0; i < 256; ++i)
        leadBytes_[i] = leadBytes && leadBytes[i];
}

void TerminalBuffer::Clear() {
    dropped_ += lines_.size();
    lines_.assign(1, std::string());
    longest_ = 0;
    longestKnown_ = true;
}

void TerminalBuffer::Append(const char* bytes, size_t count) {
    if (!bytes)
        return;
    enum { kText, kEscape, kControlSequence } state = kText;
    size_t escapeBytes = 0;
    for (size_t i = 0; i < count; ++i) {
        unsigned char byte = static_cast<unsigned char>(bytes[i]);
        if (state == kEscape) {
            state = kText;
            if (byte == '[') { // CSI: parameters and intermediates up to a final byte
                state = kControlSequence;
                escapeBytes = 0;
                continue;
            }
            if (byte >= 0x30 && byte <= 0x7E)
                continue;      // a two-byte escape (ESC 7, ESC M, ...)
            Put(kReplacement); // a lone ESC; the byte after it is text again
        } else if (state == kControlSequence) {
            if (byte >= 0x40 && byte <= 0x7E) {
                state = kText;
                continue;
            }
            if (byte >= 0x20 && byte <= 0x3F && ++escapeBytes <= kMaxEscapeBytes)
                continue;
            state = kText; // broken sequence: what follows is text
        }
        switch (byte) {
        case '\n':
            FinishLine();
            break;
        case '\r': // CRLF ends a line once; a CR inside a line (system error texts) means nothing here
        case '\0': // senders end their lines with a NUL; one in the middle is padding
            break;
        case '\t':
            PutTab();
            break;
        case 0x1B:
            state = kEscape;
            break;
        default:
            if (byte < 0x20 || byte == 0x7F)
                Put(kReplacement);
            else if (leadBytes_[byte] && i + 1 < count &&
                     IsTrailByte(static_cast<unsigned char>(bytes[i + 1]))) {
                PutPair(bytes[i], bytes[i + 1]);
                ++i;
            } else if (leadBytes_[byte])
                Put(kReplacement); // a lead byte without its trail byte
            else
                Put(static_cast<char>(byte));
        }
    }
    if (state == kEscape)
        Put(kReplacement);
}

void TerminalBuffer::Put(char byte) {
    if (lines_.back().size() + 1 > kMaxLineBytes)
        FinishLine();
    lines_.back() += byte;
    if (longestKnown_)
        longest_ = std::max(longest_, lines_.back().size());
}

void TerminalBuffer::PutPair(char lead, char trail) {
    if (lines_.back().size() + 2 > kMaxLineBytes)
        FinishLine(); // never split a character over two lines
    lines_.back() += lead;
    lines_.back() += trail;
    if (longestKnown_)
        longest_ = std::max(longest_, lines_.back().size());
}

void TerminalBuffer::PutTab() {
    size_t column = lines_.back().size();
    size_t spaces = kTabWidth - column % kTabWidth;
    if (column + spaces > kMaxLineBytes) {
        FinishLine();
        spaces = kTabWidth;
    }
    for (size_t i = 0; i < spaces; ++i)
        Put(' ');
}

void TerminalBuffer::FinishLine() {
    ++finished_;
    lines_.emplace_back();
    // history_ finished lines plus the open one.
    while (lines_.size() > history_ + 1) {
        if (lines_.front().size() >= longest_)
            longestKnown_ = false;
        lines_.pop_front();
        ++dropped_;
    }
}

size_t TerminalBuffer::LongestLine() const {
    if (!longestKnown_) {
        longest_ = 0;
        for (const std::string& line : lines_)
            longest_ = std::max(longest_, line.size());
        longestKnown_ = true;
    }
    return longest_;
}

std::string TerminalBuffer::Text() const {
    std::string text;
    text.reserve(TextLength());
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines_[i];
    }
    return text;
}

size_t TerminalBuffer::TextLength() const {
    size_t length = 2 * (lines_.size() - 1);
    for (const std::string& line : lines_)
        length += line.size();
    return length;
}

} // namespace ovc
