#include "graph.h"

#include <zarvo/zarvo.h>

namespace tracel {

void reset_trace_graph(float (&para)[kParaSize]) {
  const float file_state = para[kParaSize - 1];
  for (float& p : para) p = 0.0f;  // defaults: new page, automatic scaling, size 8
  para[0] = kFrameWidth;
  para[1] = kFrameHeight;
  para[kParaSize - 1] = file_state;
}

std::int32_t draw_trace_graph(std::int32_t np, const float* x, const float* y, const char* title,
                              float (&para)[kParaSize]) {
  reset_trace_graph(para);
  return zarvo_(&np, x, y, "Time (s)", "Amp", title, para);
}

}  // namespace tracel
