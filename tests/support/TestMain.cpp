// The main of every test program.
//
// - Process look-ups by name see only this program's own descendants
//   (ORVANE_PROCESS_SCOPE), and orphans of its children come back to it, so
//   two test runs on one machine, or a test run beside a user's program,
//   never find or end each other's programs.
// - One executable holds the tests of a whole folder. With
//   ORVANE_TEST_SOURCE set to a source file's name (CTest sets it for the
//   end-to-end tests, one entry per file, each with its own service double),
//   only the tests of that file run.
// - Built with ORVANE_TEST_NEEDS_TESTBED, a program outside testbed/run
//   skips (exit code 77).

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

std::string_view FileName(std::string_view path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The filter that selects the tests defined in `source`; empty when none is.
std::string FilterForSource(std::string_view source) {
  std::string filter;
  const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const testing::TestSuite& suite = *unit.GetTestSuite(i);
    for (int j = 0; j < suite.total_test_count(); ++j) {
      const testing::TestInfo& info = *suite.GetTestInfo(j);
      if (FileName(info.file()) != source) continue;
      if (!filter.empty()) filter += ':';
      filter += std::string(info.test_suite_name()) + '.' + info.name();
    }
  }
  return filter;
}

}  // namespace

int main(int argc, char** argv) {
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  ::setenv("ORVANE_PROCESS_SCOPE", std::to_string(::getpid()).c_str(), 1);

  testing::InitGoogleTest(&argc, argv);

#ifdef ORVANE_TEST_NEEDS_TESTBED
  const char* testbed = std::getenv("TESTBED_ENV");
  if ((!testbed || !*testbed) && GTEST_FLAG_GET(list_tests) == false) {
    std::printf("%s: not inside testbed/run, skipped\n", argv[0]);
    return 77;
  }
#endif

  if (const char* source = std::getenv("ORVANE_TEST_SOURCE"); source && *source && GTEST_FLAG_GET(filter) == "*") {
    const std::string filter = FilterForSource(source);
    if (filter.empty()) {
      std::fprintf(stderr, "%s: no test is defined in %s\n", argv[0], source);
      return 1;
    }
    GTEST_FLAG_SET(filter, filter);
  }
  return RUN_ALL_TESTS();
}
