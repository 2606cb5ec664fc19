#pragma once

#include <QString>
#include <QUuid>

namespace hub {

// A transient message on top of the window. Every banner has a fresh id, so two
// banners with the same text are still two banners.
struct Banner {
    enum class Tone { info, success, failure };

    QUuid id;
    Tone tone = Tone::info;
    QString text;

    static Banner make(Tone tone, QString text) { return {QUuid::createUuid(), tone, std::move(text)}; }
    bool operator==(const Banner&) const = default;
};

} // namespace hub
