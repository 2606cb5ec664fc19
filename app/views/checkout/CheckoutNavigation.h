#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace hub {

// Where the checkout web view may go. Pure: the web view asks, this answers.
class CheckoutNavigation {
public:
    // Main-frame loads may reach these hosts exactly and any host below these domains.
    struct Hosts {
        QSet<QString> topLevelHosts;    // lower case
        QStringList topLevelDomains;    // lower case
        // The store's checkout host and the payment processors' domains.
        static Hosts standard();
    };

    enum class Frame { main, sub, newWindow };
    enum class Verdict { allow, cancel, returned };

    CheckoutNavigation(QUrl returnURL, Hosts hosts);

    const QUrl& returnURL() const { return returnURL_; }

    // Scheme, host and path equal those of the return address; query and fragment not compared.
    bool isReturn(const QUrl& url) const;
    bool allowsTopLevel(const QUrl& url) const;
    // The navigation policy; `returned` means: report the return, load nothing.
    Verdict decide(const QUrl& url, Frame frame) const;
    // Popups are https on a top-level host, or exactly about:blank.
    bool allowsPopup(const QUrl& url) const;
    // Subresources load only over https, or from data, blob and about.
    static bool allowsSubresource(const QUrl& url);

private:
    QUrl returnURL_;
    Hosts hosts_;
};

QString toString(CheckoutNavigation::Verdict verdict);

} // namespace hub
