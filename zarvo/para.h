// Offsets of the parameter block's elements: para(k) is para[k - 1].
#ifndef ZARVO_PARA_H
#define ZARVO_PARA_H

#include <cstdint>

namespace zarvo::p {

constexpr int kWidth = 0;        // para(1)  frame width, inches
constexpr int kHeight = 1;       // para(2)  frame height, inches
constexpr int kXLeft = 2;        // para(3)  x at the left edge
constexpr int kYBottom = 3;      // para(4)  y at the bottom edge
constexpr int kXRight = 4;       // para(5)  x at the right edge
constexpr int kYTop = 5;         // para(6)  y at the top edge
constexpr int kXFirstTick = 6;   // para(7)
constexpr int kYFirstTick = 7;   // para(8)
constexpr int kXTick = 8;        // para(9)  x tick interval
constexpr int kYTick = 9;        // para(10) y tick interval
constexpr int kText = 10;        // para(11) font * 1000 + size
constexpr int kMode = 11;        // para(12) new graph / added curve / re-annotate
constexpr int kStyle = 12;       // para(13) line, marker character, polygon marker
constexpr int kMarkerSize = 13;  // para(14)
constexpr int kThickness = 14;   // para(15) pen thickness
constexpr int kFrame = 15;       // para(16) equal scales / no frame
constexpr int kNoXTicks = 16;    // para(17)
constexpr int kNoYTicks = 17;    // para(18)
constexpr int kArrays = 18;      // para(19) start-and-increment arrays; label angle
constexpr int kOpen = 19;        // para(20) plot file state
constexpr int kDash = 20;        // para(21) extended mode dash length / 20
constexpr int kGap = 21;         // para(22) extended mode gap length / 20

constexpr int32_t kFontFactor = 1000;  // para(11) = font * kFontFactor + size

}  // namespace zarvo::p

#endif
