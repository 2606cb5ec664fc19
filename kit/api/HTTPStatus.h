#pragma once

#include <QString>

namespace hub::HTTPStatus {

// The common reason phrase of a status, lower case ("not found"); a generic one
// ("redirected", "client error", "server error") for a status without its own.
QString phrase(int status);

} // namespace hub::HTTPStatus
