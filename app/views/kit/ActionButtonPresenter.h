#pragma once

#include "kit/api/Download.h"
#include "kit/install/InstallStage.h"

#include <QList>
#include <QString>
#include <optional>

namespace hub {

// The one action of a product, decided from plain values: the progress of its
// active job, Resume, what an owner can do, or Get / the price.
struct ActionButtonPresenter {
    struct Input {
        std::optional<InstallStage> jobStage; // the product's job, if any
        bool owns = false;
        QList<Download> macDownloads;
        bool installed = false;    // an install record exists
        bool installedApp = false; // the record holds an app bundle
        bool hasUpdate = false;
        bool hasDefaultVariation = false;
        bool isFree = false;
        QString price; // the default variation's price text
    };

    enum class Kind { progress, resume, owned, install, update, open, installed, get, price, nothing };

    struct Choice {
        QString key;   // the download's key
        QString title; // "name (size)"
        bool operator==(const Choice&) const = default;
    };

    struct State {
        Kind kind = Kind::nothing;
        QString title;
        QString symbol; // empty: none
        bool enabled = false;
        QList<Choice> menu; // Install / Update with two or more downloads: one item each
        bool operator==(const State&) const = default;
    };

    struct Metrics {
        int fontPixels;
        int horizontalPadding;
        int verticalPadding;
        int minimumWidth;
    };

    static State decide(const Input& input);
    static Metrics metrics(bool large);
    // The download's name and its size in decimal units: "Mac (12.3 MB)".
    static QString choiceTitle(const Download& download);
};

} // namespace hub
