#pragma once

#include <cstdint>
#include <string>

// A message box with an icon, owned by the main window and titled by the platform.
class MessageBox {
public:
    // Icon styles.
    static constexpr int32_t kError = 16;
    static constexpr int32_t kWarning = 48;
    static constexpr int32_t kInformation = 64;

    virtual ~MessageBox() = default;
    virtual void Show(const std::string& text, int32_t style) = 0;
};
