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

}  // namespace

std::optional<std::string> Utf8ToGb18030(std::string_view utf8) {
    return Converter("GB18030", "UTF-8").Convert(utf8);
}

std::optional<std::string> Gb18030ToUtf8(std::string_view gb18030) {
    return Converter("UTF-8", "GB18030").Convert(gb18030);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    return Converter("UTF-8", "GBK").Convert(gbk);
}
