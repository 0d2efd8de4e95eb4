#pragma once

#include <cstdint>
#include <string>

// The formatting of one table cell and what its four format codes mean. This is the only place
// where the codes are interpreted; the data source stores them and the renderer asks here.
//
//   code 1  placement of the text in the cell, in reading order of a 3 x 3 keypad:
//             0 top-left     1 top-centre     2 top-right
//             3 middle-left  4 centre         5 middle-right
//             6 bottom-left  7 bottom-centre  8 bottom-right
//           any other value places the text middle-left.
//   code 2  bold: 0 = normal weight, any other value = bold; set without a value = bold.
//   code 3  frame around the cell: 0 = none, 2 = dashed line, any other value = thin solid line;
//           set without a value = thin solid line.
//   code 4  header band: 0 = none, any other value = the cell is a header band, drawn with a
//           light tint and a rule along its lower edge; set without a value = header band.

namespace cell_format {

inline constexpr int32_t kMiddleLeft = 3;

// The values that "set without a value" stores for codes 2, 3 and 4.
inline constexpr int32_t kBoldWhenOmitted = 1;
inline constexpr int32_t kFrameWhenOmitted = 1;
inline constexpr int32_t kHeaderBandWhenOmitted = 1;

// Default font size of a cell, in the table's own units (the same units as row heights).
inline constexpr int32_t kDefaultFontSize = 50;

enum class Horizontal { Left, Centre, Right };
enum class Vertical { Top, Middle, Bottom };
enum class Frame { None, Solid, Dashed };

inline int32_t PlacementCode(int32_t code1) {
    return code1 >= 0 && code1 <= 8 ? code1 : kMiddleLeft;
}
inline Horizontal HorizontalOf(int32_t code1) {
    return static_cast<Horizontal>(PlacementCode(code1) % 3);
}
inline Vertical VerticalOf(int32_t code1) {
    return static_cast<Vertical>(PlacementCode(code1) / 3);
}
inline bool IsBold(int32_t code2) {
    return code2 != 0;
}
inline Frame FrameOf(int32_t code3) {
    if (code3 == 0) return Frame::None;
    return code3 == 2 ? Frame::Dashed : Frame::Solid;
}
inline bool IsHeaderBand(int32_t code4) {
    return code4 != 0;
}

}  // namespace cell_format

// Everything a cell carries besides its text. An empty family means the renderer's default face.
struct CellFormat {
    std::string fontFamily;
    int32_t fontSize = cell_format::kDefaultFontSize;
    int32_t code1 = cell_format::kMiddleLeft;
    int32_t code2 = 0;
    int32_t code3 = 0;
    int32_t code4 = 0;

    bool operator==(const CellFormat&) const = default;
};
