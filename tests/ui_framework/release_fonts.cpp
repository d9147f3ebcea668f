// Linked into the framework's test programs: the text caches of pango, cairo and fontconfig are
// given back after the last test, so the leak checker sees only what the framework itself keeps.

#include <gtest/gtest.h>

#include "ui/framework/font.h"

namespace {

class ReleaseFonts : public ::testing::Environment {
 public:
  void TearDown() override { SkinUI::ReleaseFontCaches(); }
};

const auto* const kReleaseFonts = ::testing::AddGlobalTestEnvironment(new ReleaseFonts);

}  // namespace
