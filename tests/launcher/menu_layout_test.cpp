// The menu's layout at another DPI: lengths given at 96 DPI, rounded to the nearest pixel.
#include <gtest/gtest.h>

#include "menu_layout.h"

TEST(menu_layout, lengths_round_to_the_nearest_pixel_and_rectangles_by_their_edges) {
  const struct {
    int length, from_dpi, to_dpi, scaled;
  } cases[] = {{545, 96, 96, 545}, {16, 96, 192, 32}, {245, 96, 144, 368}, {1, 96, 144, 2}, {7, 144, 96, 5}};
  for (const auto& c : cases) EXPECT_EQ(scale_length(c.length, c.from_dpi, c.to_dpi), c.scaled) << c.length;
  EXPECT_EQ(scale_rect({5, 395, 315, 425}, 120).bottom, 531);  // not 494 + 37.5 rounded, 532
  EXPECT_EQ(scale_outer_length(545, 29, 43, 144), 817);        // 516 client pixels grow to 774
}
