// A trailer that states a length near 2 GiB, read with the process's address space capped well
// below it: the reader finds no package and allocates nothing of that size. The cap is a Linux
// process limit, which is why the case runs here and not with the reader's unit tests.

#include "app/detail/package_reader.h"
#include "datafiles/abytes.h"
#include "support/temp_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace zev {
namespace {

TEST(PackageReaderLimit, HugeLengthAllocatesNothing) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
#endif
#endif
    const ABytes file = ABytesConcat(ABytes(64, 0x5A), ABytesFromLongs({0xAAAAAAAA, 0x7FFFFFF0}));
    const std::string path =
        test::WriteScratchFile("exe", std::string(file.begin(), file.end())).string();
    // With the address space capped well below 2 GiB, allocating the stated length would fail.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
    rlimit capped = old;
    capped.rlim_cur = 1024ull << 20;
    if (old.rlim_max != RLIM_INFINITY && old.rlim_max < capped.rlim_cur)
        capped.rlim_cur = old.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &capped), 0);
    ABytes bytes;
    bool found = true;
    std::string error;
    try {
        found = ReadPackageOfFile(path, bytes);
    } catch (const std::exception& e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(error, "");
    EXPECT_FALSE(found);
    EXPECT_TRUE(bytes.empty());
}

} // namespace
} // namespace zev
