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

// As readWhileCut, but the writer turns the file at `path`, which holds the first of `editions` (of one length and
// first byte), into the next and so on round, each in place: it pauses, spoils the first byte, writes the second
// half, the rest of the first half and then the first byte. So a read meanwhile may see the first half of one
// edition and the second half of the next, while the file at rest is one edition whole or starts with a byte none
// starts with. An edition comes back only after all the others, so with many a read hardly sees the same mix twice.
// -1 also when the editions are fewer than two or differ in length or first byte.
int readWhileRewritten(const QString& path, const QList<QByteArray>& editions, int times, const std::function<void()>& read);

} // namespace hub::test
