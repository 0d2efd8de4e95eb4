#pragma once

// A message box that shows nothing and remembers every message, with its icon style. Include it
// as "../support/recording_message_box.h".

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "output/message_box.h"

class RecordingMessageBox : public MessageBox {
public:
    void Show(const std::string& text, int32_t style) override { shown.emplace_back(text, style); }
    std::vector<std::pair<std::string, int32_t>> shown;
};
