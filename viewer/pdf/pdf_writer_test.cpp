#include "pdf_writer.h"

#include <gtest/gtest.h>

namespace zel::pdf {
namespace {

TEST(PdfNumber, Placeholder) {
  std::string out;
  appendNumber(out, 1.5);
  EXPECT_EQ(out, "1.5");
}

}  // namespace
}  // namespace zel::pdf
