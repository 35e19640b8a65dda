#include "core/text.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

TEST(AppendIndented, IndentsEveryLineOfTheSecondText) {
    EXPECT_EQ(AppendIndented("msg", "A\r\nB", "    "), "msg\r\n    A\r\n    B");
    EXPECT_EQ(AppendIndented("msg\r\n    X", "Y", "    "), "msg\r\n    X\r\n    Y");
    EXPECT_EQ(AppendIndented("", "", ""), "\r\n");
}

} // namespace
} // namespace zev
