#pragma once

#include <string>

// The directory that holds the running program file, without a trailing separator, taken from
// /proc/self/exe (symbolic links resolved). For a program directly in "/" this is the empty
// text, so that appending "/data" still gives the right path. When the program file cannot be
// found, the current directory "." stands in.
std::string ProgramDirectory();
