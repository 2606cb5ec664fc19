#pragma once

#include <QWebEngineUrlRequestInterceptor>

namespace hub {

// Blocks every subresource of a page that is not https, data, blob or about, and
// says so; the main frame's own load is left to the navigation policy.
class InsecureContentBlocker : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

signals:
    void blocked(const QUrl& url);
};

} // namespace hub
