#pragma once

#include <QString>

namespace hub {

// Why the sign-in sheet is open: to connect a store account (with the sentence the
// sheet shows), or a plain sign-in.
struct SignInPurpose {
    enum class Kind { general, connectStore };

    Kind kind = Kind::general;
    QString reason; // connectStore only

    static SignInPurpose general() { return {}; }
    static SignInPurpose connectStore(QString reason) { return {Kind::connectStore, std::move(reason)}; }
    bool isGeneral() const { return kind == Kind::general; }
    bool operator==(const SignInPurpose&) const = default;
};

} // namespace hub
