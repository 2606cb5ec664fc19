#pragma once

#include <QFuture>
#include <QUrl>

namespace hub::test {

// The user's browser in tests of the browser sign-in: it requests a loopback address
// as a browser would, on a thread of its own, and waits for the answer.
class TestBrowser {
public:
    // GET of an http address on 127.0.0.1, its path and query as given.
    static QFuture<void> open(const QUrl& address);
    // What the provider's pages do once the user has signed in: back to the receiver
    // that the start page names (its "port" and "state"), with `code`.
    static QFuture<void> returnFrom(const QUrl& start, const QString& code);
    // Whether anything still listens on the start page's loopback port.
    static bool listening(const QUrl& start);
};

} // namespace hub::test
