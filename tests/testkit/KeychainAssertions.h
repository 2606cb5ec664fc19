#pragma once

#include "kit/security/KeychainError.h"
#include "kit/security/KeychainItem.h"

namespace hub::test {

// Reading, writing and deleting the item each throw exactly `expected`.
void expectEveryOperationFails(const KeychainItem& item, const KeychainError& expected);

} // namespace hub::test
