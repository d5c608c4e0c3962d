#pragma once
#include <gtest/gtest.h>

#include <string>

// Whether the running test is the only one its process runs (ctest runs each
// test so, through --gtest_filter). Tests of what the process has loaded
// (/proc/self/maps) mean something only then; run with other tests, they are
// skipped, never passed.
inline bool testRunsInProcessOfItsOwn()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info && ::testing::GTEST_FLAG(filter) == std::string(info->test_suite_name()) + "." + info->name();
}

#define MOX_NEEDS_PROCESS_OF_ITS_OWN()                                                                               \
    if (!testRunsInProcessOfItsOwn())                                                                                \
    GTEST_SKIP() << "tests what the process has loaded: run it alone (--gtest_filter=this test; ctest does)"
