/*
 * zarvo: x-y graphs written to a device-independent binary plot file.
 *
 * Every entry point takes every argument by address, so Fortran programs
 * (whose arguments always pass by reference) and C programs call them
 * directly.  Text arguments are read up to their first zero byte; the text
 * lengths that a Fortran compiler appends as hidden trailing arguments are
 * ignored, so a text without a zero byte is read past its end: Fortran
 * programs that call the entry points themselves end every text with
 * char(0); those that `use zarvo_api` have it done for them (zarvo_api(3)).
 * Every entry point returns 0 on success and -1 on failure, with
 * one line on the standard error stream saying why.
 *
 * The plot file ("pltfil" unless named otherwise) is opened by the first
 * drawing call of zarvo_ and stays open until the process ends; its buffered
 * contents reach the disk at normal process end.
 *
 * The parameter block `para`, an array of 20 floats (22 in extended mode),
 * owned by the caller and passed to every call.  Elements are numbered from 1
 * as Fortran numbers them: para(k) is para[k-1] in C.  Unwanted elements are
 * 0.0, which selects the default.
 *
 *  para(1)  frame width, inches.                         0 -> 5.5
 *  para(2)  frame height, inches.                        0 -> 5.5
 *  para(3)  x at the left edge of the frame.  When para(3) == para(5) the
 *           x range is found from the data and written back.
 *  para(4)  y at the bottom edge.  When para(4) == para(6) the y range is
 *           found from the data and written back.
 *  para(5)  x at the right edge.
 *  para(6)  y at the top edge.
 *  para(7)  x of the first tick (chosen together with para(9)).
 *  para(8)  y of the first tick (chosen together with para(10)).
 *  para(9)  x tick interval in data units; 0 -> chosen and written back.
 *  para(10) y tick interval in data units; 0 -> chosen and written back.
 *  para(11) text setting, font number * 1000 + text size.  A size part of
 *           0 means size 8 (8 is added and written back).  The size also
 *           places the frame corner at (50 * size, 40 * size) plot units.
 *  para(12) call mode: 0 = new graph (erase, curve, frame, annotation);
 *           > 0 = add a curve to the current graph; < 0 = add a curve, then
 *           draw frame and annotation without erasing.  Set to 1 after the
 *           frame and annotation are drawn.
 *  para(13) curve style: 0 = line; > 0 = a marker character whose code is
 *           the integer part; < 0 = polygon marker of type -para(13)
 *           (1..4 triangles up/down/right/left, 5 square, 6 diamond,
 *           7 hexagon, 0 or 8..15 circle; +16 outline only).
 *  para(14) marker size (character size, or 1/20 of a polygon's width in
 *           plot units); also widens automatic ranges by half a marker.
 *           With para(13) == 0 a negative value selects extended mode
 *           (a dashed line).  0 -> 2.0 when para(13) != 0.
 *  para(15) pen thickness; an f command is written whenever it differs
 *           from the thickness last written.
 *  para(16) frame control: +1 or -1 = equal scales on both axes; any
 *           negative value = no frame and no ticks.
 *  para(17) 1 = no x ticks and no x tick numbers.
 *  para(18) 1 = no y ticks and no y tick numbers.
 *  para(19) +1 = x holds only a start value x[0] and an increment x[1];
 *           -1 = the same for y; other values = both arrays are full.
 *           zlabel_ and plabel_ read it as the label angle in degrees.
 *  para(20) plot file state: < 0 = this call only names the plot file
 *           (the name is passed as `title`); 0 = not open; 1 = open.
 *  para(21) extended mode only: dash length in units of 20 plot units
 *           (<= 0 -> 1.0).
 *  para(22) extended mode only: gap length in units of 20 plot units
 *           (<= 0 -> 0.75).
 *
 * Environment, read only by the zarvo_ call that opens the plot file:
 *   pltfil       the plot file name (wins over a naming call);
 *   zarvo_debug  when set, whatever its value: debug messages, and a point
 *                count of 0 is refused.
 */
#ifndef ZARVO_H
#define ZARVO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Draws one graph (or adds a curve, or names the plot file) of the *np
 * points x, y with axis titles xlabel and ylabel and the title `title`. */
int32_t zarvo_(const int32_t *np, const float *x, const float *y,
               const char *xlabel, const char *ylabel, const char *title,
               float *para);

/* Draws a line from the pen position to the data point (*x, *y). */
int32_t zline_(const float *x, const float *y, const float *para);

/* Moves the pen to the data point (*x, *y) without drawing. */
int32_t zmove_(const float *x, const float *y, const float *para);

/* Writes `label` with its reference point at (*x, *y) inches from the
 * frame's lower-left corner, in the size and font of para(11) and at the
 * angle para(19) taken to the nearest quarter turn.  At most 120 chars. */
int32_t zlabel_(const float *x, const float *y, const char *label,
                const float *para);

/* As zlabel_, with the reference point given in data coordinates. */
int32_t plabel_(const float *x, const float *y, const char *label,
                const float *para);

/* Returns the font number of a one- or two-letter font name ("R", "I",
 * "B", "BI", "GG", "H1", ...), or -1 for an unknown name.  Selects nothing. */
int32_t zfont_(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* ZARVO_H */
