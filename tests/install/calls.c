/* One graph, a line, a label in font 1 and a label at a data point: the
 * same calls as calls.f90, so that every way of linking the library gives
 * the same plot file.  Prints the statuses and zfont_("R"). */
#include <stdio.h>
#include <zarvo/zarvo.h>

int main(void) {
  float para[20] = {0};
  float x[5] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  float y[5] = {0.0f, 2.0f, -1.0f, 3.0f, 1.0f};
  const int32_t np = 5;
  para[0] = 6.0f;
  para[1] = 3.0f;
  int32_t st[5];
  st[0] = zarvo_(&np, x, y, "Time (s)", "Amp", "Installed", para);
  const float x0 = 0.0f, y0 = 0.0f, x1 = 4.0f, y1 = 0.0f;
  st[1] = zmove_(&x0, &y0, para);
  st[2] = zline_(&x1, &y1, para);
  const float lx = 0.5f, ly = 2.5f;
  st[3] = zlabel_(&lx, &ly, "\\fRRoman \\(*a\\u2\\d", para);
  const float px = 3.0f, py = 3.0f;
  st[4] = plabel_(&px, &py, "peak", para);
  printf("%d %d %d %d %d %d\n", st[0], st[1], st[2], st[3], st[4], zfont_("R"));
  return st[0] | st[1] | st[2] | st[3] | st[4];
}
