#pragma once

#include <cstdint>
#include <string>

// The print-settings record that the grid's preview and print take. Its nineteen fields keep
// their order; the comments say what the grid makes of each one.
struct GridPrintSettings {
    int32_t orientation = 0;     // 1: 0 = the printer's own, 1 = portrait, 2 = landscape
    int32_t paperSize = 0;       // 2: 0 = the printer's own, 1 = A4
    int32_t marginLeft = 230;    // 3: page margins in 1/100 inch; 0 = the printer's
    int32_t marginTop = 230;     // 4:   printable area
    int32_t marginRight = 230;   // 5
    int32_t marginBottom = 230;  // 6
    int32_t field7 = 0;          // 7-18: carried through unchanged; the grid does not use them
    int32_t field8 = 1;
    int32_t field9 = 1;
    int32_t field10 = 0;
    std::string field11;
    int32_t field12 = 0;
    int32_t field13 = 0;
    int32_t field14 = 0;
    int32_t field15 = 0;
    int32_t field16 = 1;
    int32_t field17 = 0;
    int32_t field18 = 0;
    int32_t scaling = 0;  // 19: 0 = natural size, -2 = the whole table scaled to fit one page

    bool operator==(const GridPrintSettings&) const = default;
};
