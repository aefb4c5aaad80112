#include "menu_layout.h"

int scale_length(int length, int from_dpi, int to_dpi) {
  // 64 bits, so that no product of a length and a DPI can overflow.
  return static_cast<int>((static_cast<long long>(length) * to_dpi + from_dpi / 2) / from_dpi);
}

layout_rect scale_rect(layout_rect rect, int dpi) {
  return {scale_length(rect.left, base_dpi, dpi), scale_length(rect.top, base_dpi, dpi),
          scale_length(rect.right, base_dpi, dpi), scale_length(rect.bottom, base_dpi, dpi)};
}

int scale_outer_length(int outer, int frame_at_base, int frame_at_dpi, int dpi) {
  return scale_length(outer - frame_at_base, base_dpi, dpi) + frame_at_dpi;
}
