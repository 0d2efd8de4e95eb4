#include "platform/program_directory.h"

#include <unistd.h>

#include <vector>

std::string ProgramDirectory() {
    // readlink neither terminates nor reports truncation; grow the buffer until the link fits.
    std::vector<char> buffer(256);
    while (true) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return ".";
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::string file(buffer.data(), static_cast<size_t>(length));
            const size_t slash = file.rfind('/');
            if (slash == std::string::npos) return ".";
            return file.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}
