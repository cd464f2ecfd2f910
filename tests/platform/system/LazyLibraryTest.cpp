#include "platform/system/LazyLibrary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// The message of what `call` throws, or "" when it throws nothing.
template <typename Call>
std::string ErrorOf(Call&& call)
{
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(LazyLibrary, ForwardsToTheLibrarysOwnFunction)
{
    platform::TLazyLibrary libc("c", 6);
    EXPECT_EQ(libc.Function<&std::strlen>("strlen")("four"), 4u);
    EXPECT_EQ(libc.Function<&std::strlen>("strlen")("again"), 5u);
}

TEST(LazyLibrary, AMissingLibraryOrFunctionIsAnErrorNamingIt)
{
    platform::TLazyLibrary missing("quorvex-no-such-library", 3);
    EXPECT_NE(ErrorOf([&] { missing.Function<&std::strspn>("strspn"); }).find("quorvex-no-such-library"),
              std::string::npos);

    platform::TLazyLibrary libc("c", 6);
    EXPECT_NE(ErrorOf([&] { libc.Function<&std::strcspn>("quorvex_no_such_function"); })
                  .find("quorvex_no_such_function"),
              std::string::npos);
}

} // namespace
