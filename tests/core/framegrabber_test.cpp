// The grabber's copy of a camera sample: top-down rows, padded to a stride, become the packed
// bottom-up rows of a frame, never past the buffer.
#include "framegrabber.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tavo {
namespace {

TEST(FrameCopy, TopDownPaddedRowsBecomeBottomUpPackedRows) {
  // 321 x 3 pixels, rows padded to 964 bytes; each row filled with its own number.
  const std::size_t rowBytes = 321 * 3, stride = 964, rows = 3;
  std::vector<std::uint8_t> sample(stride * rows, 0xEE);
  for (std::size_t row = 0; row < rows; ++row) {
    std::memset(sample.data() + row * stride, static_cast<int>(row + 1), rowBytes);
  }
  std::vector<std::uint8_t> out(rowBytes * rows + 10, 0);
  ASSERT_EQ(CopyBottomUp({sample.data(), rowBytes, rows, stride, true}, out.data(), out.size()),
            rowBytes * rows);
  EXPECT_EQ(out[0], 3);  // bottom row first
  EXPECT_EQ(out[rowBytes - 1], 3);
  EXPECT_EQ(out[rowBytes], 2);
  EXPECT_EQ(out[2 * rowBytes], 1);
  EXPECT_EQ(out[3 * rowBytes - 1], 1);
  EXPECT_EQ(out[3 * rowBytes], 0);  // nothing of the padding, nothing past the picture

  // Cut at the capacity mid-row; a view whose rows overlap or that has no data copies nothing.
  EXPECT_EQ(CopyBottomUp({sample.data(), rowBytes, rows, stride, true}, out.data(), 1000), 1000u);
  EXPECT_EQ(CopyBottomUp({sample.data(), rowBytes, rows, 10, true}, out.data(), out.size()), 0u);
  EXPECT_EQ(CopyBottomUp({nullptr, rowBytes, rows, stride, true}, out.data(), out.size()), 0u);
}

}  // namespace
}  // namespace tavo
