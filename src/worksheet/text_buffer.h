#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// An in-memory UTF-8 text with character-based editing.
//
// Every position and length counts characters, and the first character has position 1. One
// character is one UTF-8 sequence: a lead byte and the continuation bytes that follow it. Malformed
// input never makes the buffer read past its end: a stray continuation byte, a lead byte without
// its continuation bytes and a sequence cut short at the end each count as one character.
//
// Two kinds of space are recognised when trimming and removing spaces: the half-width space
// (0x20) and the full-width ideographic space U+3000.
//
// Operations that work with positions, searches or trims first take a snapshot of the content
// and work from it; operations that rebuild the content compute the new bytes from that snapshot.
class TextBuffer {
public:
    TextBuffer();
    ~TextBuffer() = default;
    // A copy receives a content of its own and a new identifier.
    TextBuffer(const TextBuffer& other);
    TextBuffer& operator=(const TextBuffer& other);

    // Adds the text to the end of the content.
    void Append(std::string_view text) { content_.append(text); }
    // The whole content; copy it to keep it past the next change of the buffer.
    const std::string& Text() const { return content_; }
    // Identifier of this buffer, unique within the process.
    uint64_t BufferId() const { return id_; }
    // Inserts the text at the beginning.
    void Insert(std::string_view text);
    // Inserts the text before the character at `position`; a position of 1 or less inserts at the
    // beginning, a position past the end at the end.
    void Insert(int32_t position, std::string_view text);
    // The characters from `start` to `start + length - 1`; without a length, up to the end.
    std::string Substring(int32_t start = 1, std::optional<int32_t> length = std::nullopt);
    // Empties the buffer.
    void Clear() { content_.clear(); }
    // Removes `length` characters beginning with the character at `start`.
    void Remove(int32_t start, int32_t length);
    // Replaces `length` characters beginning at `start` by the text; true when stored.
    bool ReplaceRange(int32_t start, int32_t length, std::string_view text = {});
    // Number of characters in the content, up to the first zero byte.
    int32_t CharCount() const { return CharCountOf(content_); }
    // Position of the first occurrence of `text` that begins at or after the character at
    // `start`, bytes compared exactly; 0 when there is none or `text` is empty. Occurrences are
    // only found where a character begins.
    int32_t Find(std::string_view text, int32_t start = 1);
    // Replaces the occurrences of `search` from the character at `start` on by `replacement`, at
    // most `count` of them when a count is given. True when the new content was stored.
    bool ReplaceAll(std::string_view search, std::string_view replacement = {}, int32_t start = 1,
                    std::optional<int32_t> count = std::nullopt);
    // Number of characters in `bytes`, up to the first zero byte.
    static int32_t CharCountOf(std::string_view bytes);
    // The content becomes exactly the text.
    void SetText(std::string_view text) { content_.assign(text); }
    // The content becomes the bytes of the file; true when stored. A file that cannot be read
    // leaves the content empty.
    bool LoadFile(const std::string& path);
    // Writes the content to the file; true on success.
    bool SaveFile(const std::string& path) const;
    // Removes every half-width and full-width space; true when the content is not empty after.
    bool RemoveSpaces();
    // Takes a new snapshot of the content.
    void Refresh() { snapshot_ = content_; }
    // Remove the spaces at both ends, at the beginning or at the end; true when stored.
    bool Trim();
    bool TrimStart();
    bool TrimEnd();
    // Turn the ASCII letters among `count` characters from `start` on (default: to the end) into
    // small or capital letters; other characters are left as they are. True when stored.
    bool ToLower(int32_t start = 1, std::optional<int32_t> count = std::nullopt);
    bool ToUpper(int32_t start = 1, std::optional<int32_t> count = std::nullopt);
    // The 1-based byte position at which the character at `position` begins; 1 for positions of
    // 1 or less, one past the last byte for positions past the end.
    int32_t BytePosition(int32_t position);

private:
    // The byte offset (0-based) of the character at `position` in the snapshot.
    size_t SnapshotOffset(int64_t position) const;
    // The byte offsets [first, last) of `length` characters from `start` in the snapshot.
    std::pair<size_t, size_t> SnapshotRange(int32_t start, std::optional<int32_t> length) const;
    bool Rebuild(std::string_view head, std::string_view middle, std::string_view tail);
    bool MapAsciiLetters(int32_t start, std::optional<int32_t> count, bool toUpper);
    bool TrimEnds(bool front, bool back);

    std::string content_;
    std::string snapshot_;
    uint64_t id_;
};
