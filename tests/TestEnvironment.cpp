// Linked into every test executable, so that a test runs the same under CTest
// and when started by hand: the build tree's folders are compiled in and used
// wherever the environment names none.

#include <cstdlib>

namespace tavrel::test
{

namespace
{

struct TestEnvironment
{
    TestEnvironment()
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("TAVREL_BIN_DIR", TAVREL_TEST_BIN_DIR, 0);
        setenv("TAVREL_SHARE_DIR", TAVREL_TEST_SHARE_DIR, 0);
        setenv("TAVREL_SOURCE_DIR", TAVREL_TEST_SOURCE_DIR, 0);
    }
};

const TestEnvironment g_testEnvironment;

} // namespace

} // namespace tavrel::test
