// tracel's graph: amplitude against time in an 8 by 4 inch frame with the
// axis titles "Time (s)" and "Amp", scaled automatically from the data.
// One function, so that every program drawing a trace draws the same bytes.
#ifndef TRACEL_GRAPH_H
#define TRACEL_GRAPH_H

#include <cstdint>

namespace tracel {

constexpr float kFrameWidth = 8.0f;   // inches
constexpr float kFrameHeight = 4.0f;  // inches
constexpr int kParaSize = 20;

// Resets `para` to the block of tracel's graph: every element but the plot
// file state para(20).
void reset_trace_graph(float (&para)[kParaSize]);

// Draws the np samples y at times x as a new graph with `title` (tracel's
// own title is one blank) through one zarvo_ call and returns its status.
// `para` is the caller's parameter block: every element but the plot file
// state para(20) is reset, so one block serves for graph after graph into
// the same plot file.
std::int32_t draw_trace_graph(std::int32_t np, const float* x, const float* y, const char* title,
                              float (&para)[kParaSize]);

}  // namespace tracel

#endif
