#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace {

// One conversion descriptor of glibc's iconv, closed when it goes out of scope.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    std::optional<std::string> Convert(std::string_view input) {
        if (!IsOpen()) return std::nullopt;
        // A descriptor is reused from call to call; a failed call may have left it in the
        // middle of a character, so start from its initial state.
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string output;
        // Four output bytes per input byte cover both directions (a GB18030 byte never grows
        // beyond two UTF-8 bytes, a UTF-8 byte never beyond one GB18030 byte), so the loop below
        // normally runs once; it grows the buffer anyway rather than rely on that.
        output.resize(input.size() * 4 + 16);
        char* in = const_cast<char*>(input.data());  // iconv does not write through it
        size_t inLeft = input.size();
        size_t used = 0;
        while (true) {
            char* out = output.data() + used;
            size_t outLeft = output.size() - used;
            const size_t result = iconv(cd_, inLeft > 0 ? &in : nullptr, &inLeft, &out, &outLeft);
            used = output.size() - outLeft;
            if (result != static_cast<size_t>(-1)) {
                if (inLeft == 0) break;
                continue;
            }
            if (errno == E2BIG) {
                output.resize(output.size() * 2);
                continue;
            }
            return std::nullopt;  // EILSEQ (malformed) or EINVAL (truncated at the end)
        }
        output.resize(used);
        return output;
    }

private:
    iconv_t cd_;
};

bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// Opening a descriptor costs far more than converting a short text, and a large file holds
// many short texts; each thread keeps one descriptor per direction.
Converter& Utf8ToGb18030Converter() {
    thread_local Converter converter("GB18030", "UTF-8");
    return converter;
}
Converter& Gb18030ToUtf8Converter() {
    thread_local Converter converter("UTF-8", "GB18030");
    return converter;
}
Converter& GbkToUtf8Converter() {
    thread_local Converter converter("UTF-8", "GBK");
    return converter;
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}

// The length of the GB18030 character that starts at bytes[at] judged by its shape alone
// (one byte below 0x80; a lead byte 0x81-0xFE with a second byte 0x40-0x7E or 0x80-0xFE; or
// four bytes 0x81-0xFE, 0x30-0x39, 0x81-0xFE, 0x30-0x39), or 0 when no character starts there.
size_t CharacterLength(std::string_view bytes, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const size_t left = bytes.size() - at;
    if (byte(0) < 0x80) return 1;
    if (!InRange(byte(0), 0x81, 0xfe) || left < 2) return 0;
    if (InRange(byte(1), 0x40, 0x7e) || InRange(byte(1), 0x80, 0xfe)) return 2;
    if (InRange(byte(1), 0x30, 0x39) && left >= 4 && InRange(byte(2), 0x81, 0xfe) &&
        InRange(byte(3), 0x30, 0x39)) {
        return 4;
    }
    return 0;
}

const char kReplacement[] = "\xef\xbf\xbd";  // U+FFFD
const char kEuro[] = "\xe2\x82\xac";         // U+20AC, GBK's 0x80

std::string ReadCharacterByCharacter(std::string_view bytes) {
    std::string text;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t length = CharacterLength(bytes, at);
        if (length == 0) {
            text += static_cast<unsigned char>(bytes[at]) == 0x80 ? kEuro : kReplacement;
            ++at;
            continue;
        }
        // A well-shaped character can still be one that GB18030 leaves unassigned.
        const std::optional<std::string> character =
            Gb18030ToUtf8Converter().Convert(bytes.substr(at, length));
        text += character ? *character : kReplacement;
        at += length;
    }
    return text;
}

}  // namespace

std::optional<std::string> Utf8ToGb18030(std::string_view utf8) {
    if (IsAscii(utf8)) return std::string(utf8);
    return Utf8ToGb18030Converter().Convert(utf8);
}

std::optional<std::string> Gb18030ToUtf8(std::string_view gb18030) {
    if (IsAscii(gb18030)) return std::string(gb18030);
    return Gb18030ToUtf8Converter().Convert(gb18030);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    return GbkToUtf8Converter().Convert(gbk);
}

std::string FileTextToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) return std::string(bytes);
    if (std::optional<std::string> text = Gb18030ToUtf8(bytes)) return std::move(*text);
    if (std::optional<std::string> text = GbkToUtf8(bytes)) return std::move(*text);
    return ReadCharacterByCharacter(bytes);
}
