#include <gtest/gtest.h>

// Proves that the executable really ran its tests: a runner that starts nothing cannot print
// this test's pass, and the build's own canary check asks for it. Every build is 64-bit but the
// WebAssembly one.
#if defined(__wasm32__)
TEST(Canary, Runs) { EXPECT_EQ(sizeof(void*), 4u); }
#else
TEST(Canary, Runs) { EXPECT_EQ(sizeof(void*), 8u); }
#endif

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
