#include "kit/install/Removal.h"

namespace hub {

QString Removal::refusedText() const
{
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
    QStringList sentences;
    for (qsizetype i = 0; i < reasons.size(); ++i)
        sentences.append(names[i].join(QStringLiteral(", ")) + QStringLiteral(" could not be moved to the Trash: ") + reasons[i] + u'.');
    return sentences.join(u' ');
}

} // namespace hub
