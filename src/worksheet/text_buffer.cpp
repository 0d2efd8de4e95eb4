#include "worksheet/text_buffer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <limits>

namespace {

// The ideographic (full-width) space U+3000 in UTF-8.
constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

uint64_t NextBufferId() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Byte length of the character that begins at `offset` (which must lie inside `bytes`). The lead
// byte says how many continuation bytes should follow; only those actually present are taken.
size_t CharLength(std::string_view bytes, size_t offset) {
    const auto lead = static_cast<unsigned char>(bytes[offset]);
    size_t expected = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
        expected = 4;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        expected = 3;
    } else if (lead >= 0xC0 && lead < 0xE0) {
        expected = 2;
    }
    size_t length = 1;
    while (length < expected && offset + length < bytes.size() &&
           IsContinuation(static_cast<unsigned char>(bytes[offset + length]))) {
        ++length;
    }
    return length;
}

// Length of the space that begins at `offset`, or 0 when no space begins there.
size_t SpaceLengthAt(std::string_view bytes, size_t offset) {
    if (bytes[offset] == ' ') return 1;
    if (bytes.substr(offset, kFullWidthSpace.size()) == kFullWidthSpace) {
        return kFullWidthSpace.size();
    }
    return 0;
}

// Length of the space that ends just before `end`, or 0 when no space ends there.
size_t SpaceLengthBefore(std::string_view bytes, size_t end) {
    if (bytes[end - 1] == ' ') return 1;
    if (end >= kFullWidthSpace.size() &&
        bytes.substr(end - kFullWidthSpace.size(), kFullWidthSpace.size()) == kFullWidthSpace) {
        return kFullWidthSpace.size();
    }
    return 0;
}

}  // namespace

TextBuffer::TextBuffer() : id_(NextBufferId()) {}

TextBuffer::TextBuffer(const TextBuffer& other)
    : content_(other.content_), snapshot_(other.snapshot_), id_(NextBufferId()) {}

TextBuffer& TextBuffer::operator=(const TextBuffer& other) {
    content_ = other.content_;
    snapshot_ = other.snapshot_;
    return *this;
}

void TextBuffer::Insert(std::string_view text) {
    Insert(1, text);
}

void TextBuffer::Insert(int32_t position, std::string_view text) {
    Refresh();
    content_.insert(SnapshotOffset(position), text);
}

std::string TextBuffer::Substring(int32_t start, std::optional<int32_t> length) {
    Refresh();
    const auto [first, last] = SnapshotRange(start, length);
    return snapshot_.substr(first, last - first);
}

void TextBuffer::Remove(int32_t start, int32_t length) {
    Refresh();
    const auto [first, last] = SnapshotRange(start, length);
    content_.erase(first, last - first);
}

bool TextBuffer::ReplaceRange(int32_t start, int32_t length, std::string_view text) {
    Refresh();
    const auto [first, last] = SnapshotRange(start, length);
    const std::string_view whole = snapshot_;
    return Rebuild(whole.substr(0, first), text, whole.substr(last));
}

int32_t TextBuffer::Find(std::string_view text, int32_t start) {
    Refresh();
    if (text.empty()) return 0;
    const std::string_view whole = snapshot_;
    // Walk to `start` counting characters; unlike CharCountOf, zero bytes count here too.
    size_t offset = 0;
    int64_t position = 1;
    while (position < start && offset < whole.size()) {
        offset += CharLength(whole, offset);
        ++position;
    }
    while (offset < whole.size()) {
        if (whole.substr(offset, text.size()) == text) {
            return static_cast<int32_t>(
                std::min<int64_t>(position, std::numeric_limits<int32_t>::max()));
        }
        offset += CharLength(whole, offset);
        ++position;
    }
    return 0;
}

bool TextBuffer::ReplaceAll(std::string_view search, std::string_view replacement, int32_t start,
                            std::optional<int32_t> count) {
    Refresh();
    const std::string_view whole = snapshot_;
    size_t offset = SnapshotOffset(start);
    int64_t remaining = count ? *count : std::numeric_limits<int64_t>::max();
    content_.clear();
    content_.append(whole.substr(0, offset));
    while (offset < whole.size()) {
        if (!search.empty() && remaining > 0 && whole.substr(offset, search.size()) == search) {
            content_.append(replacement);
            offset += search.size();
            --remaining;
        } else {
            const size_t length = CharLength(whole, offset);
            content_.append(whole.substr(offset, length));
            offset += length;
        }
    }
    return true;
}

int32_t TextBuffer::CharCountOf(std::string_view bytes) {
    int64_t count = 0;
    for (size_t offset = 0; offset < bytes.size() && bytes[offset] != '\0';
         offset += CharLength(bytes, offset)) {
        ++count;
    }
    return static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
}

bool TextBuffer::LoadFile(const std::string& path) {
    content_.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::string bytes;
    char chunk[65536];
    size_t read = 0;
    while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, read);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return false;
    content_ = std::move(bytes);
    return true;
}

bool TextBuffer::SaveFile(const std::string& path) const {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(content_.data(), 1, content_.size(), file) == content_.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

bool TextBuffer::RemoveSpaces() {
    Refresh();
    const std::string_view whole = snapshot_;
    content_.clear();
    for (size_t offset = 0; offset < whole.size();) {
        if (const size_t space = SpaceLengthAt(whole, offset); space > 0) {
            offset += space;
            continue;
        }
        const size_t length = CharLength(whole, offset);
        content_.append(whole.substr(offset, length));
        offset += length;
    }
    return !content_.empty();
}

bool TextBuffer::Trim() {
    return TrimEnds(true, true);
}

bool TextBuffer::TrimStart() {
    return TrimEnds(true, false);
}

bool TextBuffer::TrimEnd() {
    return TrimEnds(false, true);
}

bool TextBuffer::ToLower(int32_t start, std::optional<int32_t> count) {
    return MapAsciiLetters(start, count, false);
}

bool TextBuffer::ToUpper(int32_t start, std::optional<int32_t> count) {
    return MapAsciiLetters(start, count, true);
}

int32_t TextBuffer::BytePosition(int32_t position) {
    Refresh();
    const size_t offset = SnapshotOffset(position);
    return static_cast<int32_t>(std::min<size_t>(offset + 1, std::numeric_limits<int32_t>::max()));
}

size_t TextBuffer::SnapshotOffset(int64_t position) const {
    size_t offset = 0;
    for (int64_t before = 1; before < position && offset < snapshot_.size(); ++before) {
        offset += CharLength(snapshot_, offset);
    }
    return offset;
}

std::pair<size_t, size_t> TextBuffer::SnapshotRange(int32_t start,
                                                    std::optional<int32_t> length) const {
    const size_t first = SnapshotOffset(start);
    if (!length) return {first, snapshot_.size()};
    const size_t last = SnapshotOffset(static_cast<int64_t>(start) + *length);
    return {first, std::max(first, last)};
}

bool TextBuffer::Rebuild(std::string_view head, std::string_view middle, std::string_view tail) {
    content_.clear();
    content_.reserve(head.size() + middle.size() + tail.size());
    content_.append(head).append(middle).append(tail);
    return true;
}

bool TextBuffer::MapAsciiLetters(int32_t start, std::optional<int32_t> count, bool toUpper) {
    Refresh();
    const auto [first, last] = SnapshotRange(start, count);
    std::string mapped = snapshot_;
    // Bytes of multi-byte characters are all 0x80 or above, so only ASCII letters change.
    for (size_t offset = first; offset < last; ++offset) {
        char& byte = mapped[offset];
        if (toUpper && byte >= 'a' && byte <= 'z') {
            byte = static_cast<char>(byte & 0x5F);
        } else if (!toUpper && byte >= 'A' && byte <= 'Z') {
            byte = static_cast<char>(byte | 0x20);
        }
    }
    content_ = std::move(mapped);
    return true;
}

bool TextBuffer::TrimEnds(bool front, bool back) {
    Refresh();
    const std::string_view whole = snapshot_;
    size_t first = 0;
    size_t last = whole.size();
    if (front) {
        while (first < last) {
            const size_t space = SpaceLengthAt(whole.substr(0, last), first);
            if (space == 0) break;
            first += space;
        }
    }
    if (back) {
        while (last > first) {
            const size_t space = SpaceLengthBefore(whole.substr(first), last - first);
            if (space == 0) break;
            last -= space;
        }
    }
    return Rebuild({}, whole.substr(first, last - first), {});
}
