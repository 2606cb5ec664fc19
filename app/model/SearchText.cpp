#include "app/model/SearchText.h"

namespace hub::SearchText {

namespace {

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString fold(const QString& text)
{
    if (isAscii(text))
        return text.toLower();
    // A space neither composes nor folds: words fold apart, most of them the plain way.
    if (text.contains(u' ')) {
        QStringList words = text.split(u' ');
        for (QString& word : words)
            word = fold(word);
        return words.join(u' ');
    }

    // Width first: full-width and half-width forms become their ordinary letters.
    QString widened;
    widened.reserve(text.size());
    for (const char32_t point : text.toUcs4()) {
        const QChar::Decomposition tag = QChar::decompositionTag(point);
        if (tag == QChar::Wide || tag == QChar::Narrow) {
            widened += QChar::decomposition(point);
        } else if (QChar::requiresSurrogates(point)) {
            widened += QChar(QChar::highSurrogate(point));
            widened += QChar(QChar::lowSurrogate(point));
        } else {
            widened += QChar(char16_t(point));
        }
    }
    // Then the diacritics: decompose and drop the combining marks.
    const QString decomposed = widened.normalized(QString::NormalizationForm_D);
    QString bare;
    bare.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            bare += c;
    }
    return bare.toCaseFolded().normalized(QString::NormalizationForm_C);
}

QStringList tokens(const QString& text)
{
    QStringList pieces;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool space = i == text.size() || text.at(i).isSpace();
        if (space && start >= 0) {
            pieces.append(text.mid(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return pieces;
}

std::u32string plainKey(const QString& text)
{
    const QList<uint> points = (isAscii(text) ? text : text.normalized(QString::NormalizationForm_C)).toUcs4();
    return std::u32string(points.begin(), points.end());
}

bool plainLess(const QString& a, const QString& b)
{
    if (isAscii(a) && isAscii(b))
        return a < b;
    return plainKey(a) < plainKey(b);
}

} // namespace hub::SearchText
