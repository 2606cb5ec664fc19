#pragma once

#include "kit/support/Error.h"

namespace hub {

// The error a review submission throws; its message is what the editor shows.
class ReviewFailure : public Error {
public:
    explicit ReviewFailure(QString message) : text(std::move(message)) {}
    QString message() const override { return text; }
    bool operator==(const ReviewFailure&) const = default;

    QString text;
};

} // namespace hub
