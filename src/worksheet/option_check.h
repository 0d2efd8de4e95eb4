#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "worksheet/worksheet_settings.h"

// The largest operand a run can draw: numberRange itself from 1 to 32768, and 32768 for a
// larger, zero or negative numberRange (operands are drawn from 1 to at most 1 + 32767).
int32_t LargestOperand(int32_t numberRange);

// Why the options cannot give a single acceptable question, in words for a parent or teacher
// (Chinese); nothing when they may. Besides the plain mistakes (no operation ticked, ranges
// below what a question needs) it refuses operator choices that a simple bound rules out, such
// as multiplication alone when even 1×2×…×n is not below the answer range.
std::optional<std::string> ReasonToRefuse(const WorksheetSettings& settings);

// Why options were refused after a search through every possible question found none that is
// acceptable, in Chinese.
std::string NoAcceptableQuestionReason(const WorksheetSettings& settings);

// Why a run gave up after `candidates` tries in `elapsed` with only `found` questions, and what
// the user can loosen, in Chinese.
std::string TooStrictReason(const WorksheetSettings& settings, int32_t found, uint64_t candidates,
                            std::chrono::milliseconds elapsed);
