#pragma once

#include <QByteArray>
#include <QList>

namespace hub::fuzz {

// The seed corpus of this fuzz target: a few well-formed inputs (made with the test kit) from
// which the fuzzer mutates. Defined once in each fuzz/<Name>Fuzzer.cpp.
QList<QByteArray> seeds();

} // namespace hub::fuzz
