#pragma once

#include <string>

// The caption of the main window.
std::string WindowCaption();

// The help text shown on the page "关于": ten lines, each ended by a line break ("\n").
std::string HelpText();

// The address for feedback named in the help text.
inline constexpr const char* kFeedbackAddress = "feedback@vantrel-pelmora.example";
