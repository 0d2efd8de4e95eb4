#pragma once

#include <cstddef>
#include <string>

// The text form that the script language gives a number (Number::toString): the shortest
// digits that read back as the same double, laid out as plain digits up to 21 integer digits,
// as "0.000001" down to 1e-6, and in exponent form ("1e+21", "1.5e-7") beyond; "NaN",
// "Infinity", "-Infinity", and "0" for negative zero.

// Room for the longest text, such as "-0.0000012345678901234567".
inline constexpr std::size_t kScriptNumberTextCapacity = 32;

// Writes the text of value to out (not terminated) and returns its length. Allocates nothing.
std::size_t FormatScriptNumber(double value, char* out);

std::string ScriptNumberText(double value);
