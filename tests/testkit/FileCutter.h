#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace hub::test {

// Runs `read` `times` over in a forked child while another writer cuts the file at `path` to half of `bytes`,
// writes the rest back and then all of them, over and over. Returns as runInChild does; -1 when the file
// cannot be opened.
int readWhileCut(const QString& path, const QByteArray& bytes, int times, const std::function<void()>& read);

// As readWhileCut, but the file, holding the first of `editions` (of one length and first byte), is turned in place
// into the next and so on round: a pause, the first byte spoiled, the second half, the rest of the first half, the
// first byte. A read may see halves of two editions; at rest the file is one whole or starts with a spoiled byte.
// -1 also when the editions are fewer than two or differ in length or first byte.
int readWhileRewritten(const QString& path, const QList<QByteArray>& editions, int times, const std::function<void()>& read);

} // namespace hub::test
