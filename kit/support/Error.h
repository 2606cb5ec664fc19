#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace hub {

// Base of every component's error. Subclasses carry a Kind and payload fields and
// build their fixed user-facing English text in message().
class Error : public std::exception {
public:
    virtual QString message() const = 0;
    const char* what() const noexcept override;
    // Lets subclasses default their member-wise ==; the cached what() text is not part of the value.
    bool operator==(const Error&) const { return true; }

private:
    mutable QByteArray what_;
};

} // namespace hub
