#include "kit/codesign/CodeRequirement.h"

#include <QRegularExpression>
#include <algorithm>
#include <openssl/objects.h>
#include <openssl/x509.h>

namespace hub {

namespace {

// Splits requirement text into words, quoted strings (kept with a leading '"') and the
// punctuation [ ] =. Answers false on an unterminated string or a stray character.
bool tokenize(const QString& text, QStringList& tokens)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'[' || c == u']' || c == u'=') {
            tokens << QString(c);
            ++i;
        } else if (c == u'"') {
            QString value = QStringLiteral("\"");
            for (++i;; ++i) {
                if (i >= text.size())
                    return false;
                if (text.at(i) == u'\\' && i + 1 < text.size()) {
                    value += text.at(++i);
                    continue;
                }
                if (text.at(i) == u'"')
                    break;
                value += text.at(i);
            }
            tokens << value;
            ++i;
        } else if (c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_') {
            const qsizetype start = i;
            while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == u'.' || text.at(i) == u'-' || text.at(i) == u'_'))
                ++i;
            tokens << text.mid(start, i - start);
        } else {
            return false;
        }
    }
    return true;
}

bool isString(const QString& token)
{
    return token.startsWith(u'"');
}

bool hasExtension(X509* cert, const QString& oid)
{
    ASN1_OBJECT* object = OBJ_txt2obj(oid.toLatin1().constData(), 1);
    const bool found = object && X509_get_ext_by_OBJ(cert, object, -1) >= 0;
    ASN1_OBJECT_free(object);
    return found;
}

} // namespace

std::shared_ptr<const CodeRequirement> CodeRequirement::compile(const QString& text)
{
    QStringList tokens;
    if (!tokenize(text, tokens) || tokens.isEmpty())
        return nullptr;
    static const QRegularExpression oidPattern(QStringLiteral("^[0-9]+(\\.[0-9]+)+$"));
    static const QRegularExpression indexPattern(QStringLiteral("^-?[0-9]{1,3}$"));

    auto requirement = std::make_shared<CodeRequirement>();
    qsizetype at = 0;
    auto next = [&]() -> QString { return at < tokens.size() ? tokens.at(at++) : QString(); };
    for (;;) {
        const QString word = next();
        Clause clause{};
        if (word == u"anchor") {
            if (next() != u"apple" || next() != u"generic")
                return nullptr;
            clause.kind = Clause::Kind::anchorAppleGeneric;
        } else if (word == u"certificate") {
            const QString which = next();
            if (which == u"leaf")
                clause.certificate = 0;
            else if (which == u"root")
                clause.certificate = -1;
            else if (indexPattern.match(which).hasMatch())
                clause.certificate = which.toInt();
            else
                return nullptr;
            if (next() != u"[")
                return nullptr;
            const QString key = next();
            if (next() != u"]")
                return nullptr;
            if (key.startsWith(u"field.")) {
                clause.kind = Clause::Kind::fieldExists;
                clause.value = key.mid(6);
                if (!oidPattern.match(clause.value).hasMatch() || next() != u"exists")
                    return nullptr;
            } else if (key == u"subject.OU") {
                clause.kind = Clause::Kind::subjectOU;
                if (next() != u"=")
                    return nullptr;
                const QString value = next();
                if (!isString(value))
                    return nullptr;
                clause.value = value.mid(1);
            } else {
                return nullptr;
            }
        } else if (word == u"identifier") {
            QString value = next();
            if (value == u"=")
                value = next();
            if (!isString(value))
                return nullptr;
            clause.kind = Clause::Kind::identifier;
            clause.value = value.mid(1);
        } else if (word == u"notarized") {
            clause.kind = Clause::Kind::notarized;
        } else {
            return nullptr;
        }
        requirement->clauses.append(clause);
        if (at == tokens.size())
            return requirement;
        if (next() != u"and")
            return nullptr;
    }
}

bool CodeRequirement::needsNotarization() const
{
    return std::any_of(clauses.begin(), clauses.end(), [](const Clause& clause) { return clause.kind == Clause::Kind::notarized; });
}

bool CodeRequirement::isSatisfiedBy(const CertificateChain& chain, const QString& identifier, bool notarized) const
{
    auto certificate = [&](int index) -> X509* {
        const qsizetype position = index < 0 ? chain.size() + index : index;
        return position >= 0 && position < chain.size() ? chain.at(position).get() : nullptr;
    };
    for (const Clause& clause : clauses) {
        switch (clause.kind) {
        case Clause::Kind::anchorAppleGeneric:
            // A non-empty chain has been verified up to one of the code-signing anchors.
            if (chain.isEmpty())
                return false;
            break;
        case Clause::Kind::fieldExists: {
            X509* cert = certificate(clause.certificate);
            if (!cert || !hasExtension(cert, clause.value))
                return false;
            break;
        }
        case Clause::Kind::subjectOU: {
            X509* cert = certificate(clause.certificate);
            if (!cert || !SignatureTrust::organisationalUnits(cert).contains(clause.value))
                return false;
            break;
        }
        case Clause::Kind::identifier:
            if (identifier != clause.value)
                return false;
            break;
        case Clause::Kind::notarized:
            if (!notarized)
                return false;
            break;
        }
    }
    return true;
}

} // namespace hub
