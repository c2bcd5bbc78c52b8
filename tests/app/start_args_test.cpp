// mendora.exe's command line: what each form starts, and what is refused.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/StartArgs.h"

namespace mendora {
namespace {

using Args = std::vector<std::string>;

struct Case {
  Args arguments;
  StartRequest::Kind kind;
  OperationMode mode;  // only looked at for kOperation
  Args files;
  std::string refused;
};

TEST(StartArguments, EachFormAndItsMistakes) {
  const Case cases[] = {
      {{}, StartRequest::kMainDialog, Fix, {}, ""},
      // As Explorer's "Fix with Mendora" and a shortcut pass them.
      {{"/fix", "D:\\clips\\take1.avi"}, StartRequest::kOperation, Fix, {"D:\\clips\\take1.avi"}, ""},
      {{"/FIX", "a.avi", "b.avi"}, StartRequest::kOperation, Fix, {"a.avi", "b.avi"}, ""},
      {{"/Move", "a.avi"}, StartRequest::kOperation, Move, {"a.avi"}, ""},
      {{"/copy", "a.avi"}, StartRequest::kOperation, Copy, {"a.avi"}, ""},
      // Files alone: the main dialog asks, as for a drop. A name may start with '-'.
      {{"D:\\a.avi", "-b.avi"}, StartRequest::kDropFiles, Fix, {"D:\\a.avi", "-b.avi"}, ""},
      // An empty argument is no file.
      {{"/fix", "", "a.avi"}, StartRequest::kOperation, Fix, {"a.avi"}, ""},
      {{"/fix"}, StartRequest::kBadArguments, Fix, {}, ""},
      {{"/fix", ""}, StartRequest::kBadArguments, Fix, {}, ""},
      {{"/delete", "a.avi"}, StartRequest::kBadArguments, Fix, {}, "/delete"},
      {{"/fixx", "a.avi"}, StartRequest::kBadArguments, Fix, {}, "/fixx"},
      {{"/", "a.avi"}, StartRequest::kBadArguments, Fix, {}, "/"},
      {{"/fix", "a.avi", "/copy", "b.avi"}, StartRequest::kBadArguments, Fix, {}, "/copy"},
      {{"a.avi", "/move"}, StartRequest::kBadArguments, Fix, {}, "/move"},
  };
  for (const Case& c : cases) {
    const StartRequest got = ParseStartArguments(c.arguments);
    const std::string shown = testing::PrintToString(c.arguments);
    EXPECT_EQ(got.kind, c.kind) << shown;
    if (c.kind == StartRequest::kOperation) {
      EXPECT_EQ(got.mode, c.mode) << shown;
    }
    EXPECT_EQ(got.files, c.files) << shown;
    EXPECT_EQ(got.refused, c.refused) << shown;
  }
}

}  // namespace
}  // namespace mendora
