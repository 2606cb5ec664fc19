#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace hub::test {

// Runs `read` `times` over in a forked child while another writer cuts the file at `path` to half of `bytes`,
// writes the rest back and then all of them, over and over. Returns as runInChild does; -1 when the file
// cannot be opened.
int readWhileCut(const QString& path, const QByteArray& bytes, int times, const std::function<void()>& read);

} // namespace hub::test
