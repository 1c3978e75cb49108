#include "report/side_by_side.h"

#include <gtest/gtest.h>

#include <string>

#include "varnic/compare.h"

namespace varnic::report {
namespace {

// Wireless sections: no relevance rule touches them, so what is given is what is compared.
CComparison Compared(std::string left, std::string right) {
  return Compare({std::move(left), 0}, {std::move(right), 0});
}

const CComparison& Example() {
  static const CComparison comparison =
      Compared("[5GHz_WirelessSettings]\na=1\nb=1\nc=1\n[2.4GHz_WirelessSettings]\ne=1\n",
               "[5GHz_WirelessSettings]\na=1\nb=2\nd=1\n[2.4GHz_WirelessSettings]\ne=1\n");
  return comparison;
}

TEST(RenderSideBySide, GutterShowsTheMarks) {
  CViewOptions options;
  options.width = 23;  // two columns of 10
  EXPECT_EQ(RenderSideBySide(Example(), options),
            "[5GHz_WirelessSettings]\n"
            "a=1          a=1\n"
            "b=1        | b=2\n"
            "c=1        <\n"
            "           > d=1\n"
            "[2.4GHz_WirelessSettings]\n"
            "e=1          e=1\n");
}

TEST(RenderSideBySide, SuppressCommonLinesDropsSectionsWithNothingToShow) {
  CViewOptions options;
  options.width = 23;
  options.suppressCommonLines = true;
  EXPECT_EQ(RenderSideBySide(Example(), options),
            "[5GHz_WirelessSettings]\n"
            "b=1        | b=2\n"
            "c=1        <\n"
            "           > d=1\n");
}

TEST(RenderSideBySide, LongLinesWrapOrTruncate) {
  const CComparison c = Compared("[5GHz_WirelessSettings]\nkey=0123456789abcdef\n",
                                 "[5GHz_WirelessSettings]\nkey=x\n");
  CViewOptions options;
  options.width = 23;
  EXPECT_EQ(RenderSideBySide(c, options),
            "[5GHz_WirelessSettings]\n"
            "key=012345 | key=x\n"
            "6789abcdef |\n");
  options.truncate = true;
  EXPECT_EQ(RenderSideBySide(c, options), "[5GHz_WirelessSettings]\nkey=012345 | key=x\n");
}

TEST(RenderSideBySide, EscapesCountTheirFullWidth) {
  const CComparison c =
      Compared("[5GHz_WirelessSettings]\nk=\x1b[1m\n", "[5GHz_WirelessSettings]\nk=v\n");
  CViewOptions options;
  options.width = 23;
  EXPECT_EQ(RenderSideBySide(c, options), "[5GHz_WirelessSettings]\nk=\\x1b[1m  | k=v\n");
}

TEST(RenderSideBySide, MaskerLabelsSecretsInReadingOrder) {
  const CComparison c = Compared("[5GHz_WirelessSettings]\npassphrase=one\nkey1=two\n",
                                 "[5GHz_WirelessSettings]\npassphrase=three\nkey1=two\n");
  CViewOptions options;
  options.width = 61;
  CSecretMasker masker;
  EXPECT_EQ(RenderSideBySide(c, options, &masker),
            "[5GHz_WirelessSettings]\n"
            "passphrase=\xe2\x80\xb9secret 1\xe2\x80\xba         | passphrase=\xe2\x80\xb9secret "
            "2\xe2\x80\xba\n"
            "key1=\xe2\x80\xb9secret 3\xe2\x80\xba                 key1=\xe2\x80\xb9secret "
            "3\xe2\x80\xba\n");
}

}  // namespace
}  // namespace varnic::report
