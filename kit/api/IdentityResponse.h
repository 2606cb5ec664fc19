#pragma once

#include "kit/api/User.h"

namespace hub {

// The answer of sign-in, sign-up and token refresh: the user's members stand at
// the top level beside the two tokens.
struct IdentityResponse {
    User user;
    QString accessToken;
    QString refreshToken;

    static IdentityResponse fromJson(const JsonReader& json)
    {
        User user = User::fromJson(json);
        QString accessToken = json.string(u"accessToken");
        QString refreshToken = json.string(u"refreshToken");
        return {std::move(user), std::move(accessToken), std::move(refreshToken)};
    }
};

} // namespace hub
