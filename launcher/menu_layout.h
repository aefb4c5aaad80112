// The arithmetic of the menu's layout at any DPI: its sizes are given for 96 DPI and grow
// with the screen's scale. No Win32 calls, so it is tested natively.
#pragma once

constexpr int base_dpi = 96;  // the DPI at which the menu's sizes are given

// A length of 0 or more at from_dpi, scaled to to_dpi and rounded to the nearest whole
// pixel, halves up.
int scale_length(int length, int from_dpi, int to_dpi);

// A rectangle given at base_dpi, scaled to dpi by its edges, so that neighbours that touch
// at base_dpi still touch, without a gap or an overlap of one pixel.
struct layout_rect {
  int left, top, right, bottom;
};
layout_rect scale_rect(layout_rect rect, int dpi);

// One outer length of a window at dpi whose outer length at base_dpi is outer: the client
// part grows with the scale, while the frame is what the system draws at each DPI.
int scale_outer_length(int outer, int frame_at_base, int frame_at_dpi, int dpi);
