#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/data_provider.h"
#include "platform/data_source.h"
#include "worksheet/worksheet_settings.h"

// How many questions one sheet places: 20 rows of five.
inline constexpr int32_t kSheetQuestionSlots = 100;

// A search text and its replacement.
using TextPair = std::pair<std::string, std::string>;

// Applies up to five pairs in order, each to the result of the one before: every occurrence of
// the search text, scanning from the first character, becomes the replacement. An empty search
// text changes nothing; pairs beyond the fifth are not applied.
std::string ReplacePairs(std::string text, std::span<const TextPair> pairs);

// The header line of a sheet: the question count, the blanks where the pupil writes name, grade,
// class, time used and score, and the date and time of the run (now is an automation date).
std::string WorksheetHeaderText(int32_t questionCount, double now);

// Lays out the worksheet: a header row merged over 11 columns, then 20 rows of up to 100
// questions in five columns, taken in the order given, down each column; with showAnswers an
// answer block in columns 7 to 11, kept apart from the questions by the empty column 6.
// Starts from an empty 20 x 11 table; the sheet ends with 21 rows.
void FillWorksheetGrid(const WorksheetSettings& settings, const std::vector<Question>& questions,
                       double now, GenericDataProvider& provider, DataSource& source);
