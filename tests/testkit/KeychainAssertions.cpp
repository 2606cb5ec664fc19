#include "tests/testkit/KeychainAssertions.h"

#include <functional>
#include <gtest/gtest.h>

namespace hub::test {

void expectEveryOperationFails(const KeychainItem& item, const KeychainError& expected)
{
    const std::pair<const char*, std::function<void()>> operations[] = {
        {"read", [&] { (void)item.read(); }},
        {"write", [&] { item.write("x"); }},
        {"delete", [&] { item.remove(); }},
    };
    for (const auto& [name, operation] : operations) {
        try {
            operation();
            ADD_FAILURE() << name << ": no error";
        } catch (const KeychainError& error) {
            EXPECT_EQ(error, expected) << name << ": " << error.what();
        }
    }
}

} // namespace hub::test
