#include "kit/install/Removal.h"

namespace hub {

namespace {

QString leftBecause(const QString& reason, const QStringList& names)
{
    return QStringLiteral("Left in place because ") + reason + QStringLiteral(": ") + names.join(QStringLiteral(", ")) + u'.';
}

} // namespace

QString Removal::leftText() const
{
    QStringList sentences;
    if (!changed.isEmpty())
        sentences.append(leftBecause(QStringLiteral("they changed since install"), changed));
    if (!open.isEmpty())
        sentences.append(leftBecause(QStringLiteral("they are open"), open));
    QStringList reasons;
    QList<QStringList> names;
    for (const auto& [name, reason] : refused) {
        const qsizetype at = reasons.indexOf(reason);
        if (at < 0) {
            reasons.append(reason);
            names.append({name});
        } else {
            names[at].append(name);
        }
    }
    for (qsizetype i = 0; i < reasons.size(); ++i)
        sentences.append(names[i].join(QStringLiteral(", ")) + QStringLiteral(" could not be moved to the Trash: ") + reasons[i] + u'.');
    return sentences.join(u' ');
}

} // namespace hub
