#include "cli/side_by_side.h"

#include <gtest/gtest.h>

namespace varnic::cli {
namespace {

const CLineList kLeft = {"[System]", "s_a=1", "d_b=1", "o_c=1", "", "[5GHz_Filter]"};
const CLineList kRight = {"[System]", "s_a=1", "d_b=2", "", "o_d=1", "[5GHz_Filter]"};

TEST(RenderSideBySide, GutterShowsTheMarks) {
  CViewOptions options;
  options.width = 23;  // two columns of 10
  EXPECT_EQ(RenderSideBySide(kLeft, kRight, options),
            "[System]\n"
            "a=1          a=1\n"
            "b=1        | b=2\n"
            "c=1        <\n"
            "           > d=1\n"
            "[5GHz_Filter]\n");
}

TEST(RenderSideBySide, SuppressCommonLinesKeepsHeaders) {
  CViewOptions options;
  options.width = 23;
  options.suppressCommonLines = true;
  EXPECT_EQ(RenderSideBySide(kLeft, kRight, options),
            "[System]\n"
            "b=1        | b=2\n"
            "c=1        <\n"
            "           > d=1\n"
            "[5GHz_Filter]\n");
}

TEST(RenderSideBySide, LongLinesWrapOrTruncate) {
  const CLineList left = {"d_key=0123456789abcdef"};
  const CLineList right = {"d_key=x"};
  CViewOptions options;
  options.width = 23;
  EXPECT_EQ(RenderSideBySide(left, right, options),
            "key=012345 | key=x\n"
            "6789abcdef |\n");
  options.truncate = true;
  EXPECT_EQ(RenderSideBySide(left, right, options), "key=012345 | key=x\n");
}

TEST(RenderSideBySide, EscapesCountTheirFullWidth) {
  const CLineList left = {"d_k=\x1b[1m"};
  const CLineList right = {"d_k=v"};
  CViewOptions options;
  options.width = 23;
  EXPECT_EQ(RenderSideBySide(left, right, options), "k=\\x1b[1m  | k=v\n");
}

}  // namespace
}  // namespace varnic::cli
