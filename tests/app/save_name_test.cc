// The name Save proposes for the text box contents.
#include <gtest/gtest.h>

#include "app/shell.h"

namespace velmor::app {
namespace {

TEST(SaveName, ReplacesTheExtensionOfTheFileItselfOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"DATA.IN", "DATA.txt"},
      {"/home/ann/Run.2.in", "/home/ann/Run.2.txt"},
      {"/home/a.b/data", "/home/a.b/data.txt"},  // a '.' in a folder name is not an extension
      {"data", "data.txt"},
      {"/x/y.", "/x/y.txt"},
  };
  for (const auto& [data, saved] : cases) EXPECT_EQ(save_name_for(data), saved) << data;
}

}  // namespace
}  // namespace velmor::app
