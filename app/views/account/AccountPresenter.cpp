#include "app/views/account/AccountPresenter.h"

#include "app/views/kit/SymbolName.h"

#include <QTextBoundaryFinder>
#include <array>

namespace hub {

namespace {

// Dates and times arrive as text; only their leading date part is shown.
constexpr int dateLength = 10;

} // namespace

QString AccountPresenter::icon(const QString& label)
{
    static const std::array<std::pair<const char*, QString>, 6> tests{{
        {"iphone", "iphone"_symbol},
        {"android", "iphone"_symbol},
        {"mac", "laptopcomputer"_symbol},
        {"hub", "laptopcomputer"_symbol},
        {"windows", "pc"_symbol},
        {"linux", "pc"_symbol},
    }};
    const QString lower = label.toLower();
    for (const auto& [needle, symbol] : tests)
        if (lower.contains(QLatin1String(needle)))
            return symbol;
    return "globe"_symbol;
}

QString AccountPresenter::capitalized(const QString& text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c.isSpace()) {
            wordStart = true;
            continue;
        }
        if (wordStart && !c.isSurrogate())
            result[i] = c.toUpper();
        wordStart = false;
    }
    return result;
}

QString AccountPresenter::leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int taken = 0; taken < count; ++taken) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

AccountPresenter::Screen AccountPresenter::present(const Input& input)
{
    Screen screen;
    screen.header.avatarText = input.displayEmail.value_or(QStringLiteral("?"));
    screen.header.signedIn = input.signedIn;
    screen.header.name = input.displayName;
    if (input.displayEmail && *input.displayEmail != input.displayName)
        screen.header.email = input.displayEmail;
    // One plural word for every count.
    screen.header.count = QStringLiteral("%1 products").arg(input.ownedCount);

    for (const TavrenIDSession& session : input.sessions) {
        Device device{session.id, session.label, icon(session.label), std::nullopt, session.current.value_or(false)};
        if (const std::optional<QString> seen = session.lastSeenAt ? session.lastSeenAt : session.createdAt)
            device.lastActive = QStringLiteral("Last active ") + leadingCharacters(*seen, dateLength);
        screen.devices.append(device);
    }

    for (const TavrenIDPurchase& bought : input.purchases) {
        Purchase row;
        row.id = bought.id;
        row.name = bought.productId;
        if (const std::optional<StorefrontProduct> product = input.product ? input.product(bought.productId) : std::nullopt) {
            row.name = product->name;
            row.showsIcon = true;
            row.iconUrl = product->iconUrl;
        }
        row.gift = bought.gifted.value_or(false);
        row.status = capitalized(bought.status);
        row.date = bought.purchasedAt ? leadingCharacters(*bought.purchasedAt, dateLength) : QString();
        screen.purchases.append(row);
    }
    return screen;
}

} // namespace hub
