// The library's entry points: read the arguments passed by address and
// call the routines that do the work.
#include <zarvo/zarvo.h>

#include "labels.h"
#include "markup.h"
#include "pen.h"
#include "plot.h"

extern "C" {

int32_t zarvo_(const int32_t* np, const float* x, const float* y, const char* xlabel, const char* ylabel,
               const char* title, float* para) {
  return zarvo::plot(*np, x, y, xlabel, ylabel, title, para);
}

int32_t zline_(const float* x, const float* y, const float* para) {
  return zarvo::pen_to('d', *x, *y, para, "Zline: plotfile not open\n");
}

int32_t zmove_(const float* x, const float* y, const float* para) {
  return zarvo::pen_to('m', *x, *y, para, "Zmove: plotfile not open\n");
}

int32_t zlabel_(const float* x, const float* y, const char* label, const float* para) {
  return zarvo::zlabel(*x, *y, label, para);
}

int32_t plabel_(const float* x, const float* y, const char* label, const float* para) {
  return zarvo::plabel(*x, *y, label, para);
}

int32_t zfont_(const char* name) { return zarvo::font_number(name); }

}  // extern "C"
