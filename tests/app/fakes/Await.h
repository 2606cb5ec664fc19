#pragma once

#include "kit/support/Error.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QtTest/QTest>
#include <optional>

namespace hub::test {

// Runs the task to its end in a local event loop. Only for tasks that never throw
// (waitFor hangs on one that does): wrap others in failureOf.
inline void await(QCoro::Task<> task)
{
    QCoro::waitFor(std::move(task));
}

// The message of the error the task ended with, none when it succeeded.
inline QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<> task)
{
    try {
        co_await std::move(task);
        co_return std::nullopt;
    } catch (const Error& error) {
        co_return error.message();
    } catch (const std::exception& error) {
        co_return QString::fromLocal8Bit(error.what());
    }
}

// Lets the events that what was just done posted (and those they post in turn) run.
inline void turn()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Spins the event loop until `done` holds; false when it never did.
template <typename Condition>
bool eventually(Condition done)
{
    return QTest::qWaitFor(done, 20'000);
}

} // namespace hub::test
