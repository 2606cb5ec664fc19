#pragma once

#include <QString>
#include <string_view>

namespace hub::PercentEncoding {

// Writes every UTF-8 byte of a character other than an ASCII letter, a digit or
// one of `allowed` as "%" and two upper-case hexadecimal digits. Text that is not
// valid UTF-16 (an unpaired surrogate) encodes to the empty string.
QString encode(QStringView text, std::string_view allowed);

} // namespace hub::PercentEncoding
