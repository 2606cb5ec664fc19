#pragma once

#include <QList>
#include <QString>

namespace hub {

// The fixed statements of how the hub protects its user, in their four sections. Each
// is true of this build; the network statement names the deployment's two API hosts.
class SecurityStatements {
public:
    struct Statement {
        bool ok = true; // every statement is in force
        QString text;
        bool operator==(const Statement&) const = default;
    };
    struct Section {
        QString header;
        QList<Statement> statements;
        bool operator==(const Section&) const = default;
    };

    static QList<Section> sections(const QString& storeApiHost, const QString& identityHost);
    // Those of this process's deployment.
    static QList<Section> current();

    // The shield of a statement and its colour.
    static QString symbol(bool ok);
};

} // namespace hub
