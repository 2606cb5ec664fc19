#include "app/views/store/CartPresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace hub {
namespace {

CartLine line(const QString& id, PriceMap price, bool discount = false, std::optional<QString> cycle = std::nullopt)
{
    CartLine made{Fixtures::product(id, "Name " + id), {}};
    made.variation.price = std::move(price);
    made.variation.hasDiscount = discount;
    if (cycle) {
        made.variation.recurrence.type = QStringLiteral("Recurring");
        made.variation.recurrence.cycleLength = cycle;
    }
    return made;
}

class CartScreen : public ::testing::Test {
protected:
    // Prices are formatted for the default locale; read here in en_US.
    void SetUp() override
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("en_US"), status);
    }
};

TEST_F(CartScreen, LinesPricesAndTheTotalInTheChosenCurrency)
{
    const CartPresenter::Screen empty = CartPresenter::present({}, "EUR");
    EXPECT_EQ(empty.title, "Cart");
    EXPECT_EQ(empty.empty, "Your cart is empty.");
    EXPECT_TRUE(empty.rows.isEmpty());
    EXPECT_EQ(empty.checkOut, "");

    struct Case {
        const char* name;
        CartLine line;
        QString price;
    };
    const Case cases[] = {
        {"chosen currency", line("a", {{"EUR", 49}, {"USD", 55}}), "€49.00"},
        {"another currency when the chosen one is missing", line("b", {{"USD", 29}}), "$29.00"},
        {"free", line("c", {{"EUR", 0}}), "Free"},
        {"discounted to zero", line("d", {{"EUR", 0}}, true), "€0.00"},
        {"no prices", line("e", {}), ""},
        {"recurring, cycle lower-cased", line("f", {{"EUR", 5}}, false, "MONTH"), "€5.00 / month"},
    };
    QList<CartLine> lines;
    for (const Case& c : cases)
        lines << c.line;
    const CartPresenter::Screen screen = CartPresenter::present(lines, "EUR");
    ASSERT_EQ(screen.rows.size(), lines.size());
    for (qsizetype at = 0; at < lines.size(); ++at) {
        EXPECT_EQ(screen.rows.at(at).price, cases[at].price) << cases[at].name;
        EXPECT_EQ(screen.rows.at(at).removeLabel, "Remove Name " + lines.at(at).product.id);
    }
    EXPECT_EQ(screen.totalLabel, "Total before tax");
    EXPECT_EQ(screen.checkOut, "Check Out");
    // Only the chosen currency counts: 49 + 0 + 0 + 5, the USD-only line adds nothing, and both say so.
    EXPECT_EQ(screen.total, "€54.00");
    for (qsizetype at = 0; at < lines.size(); ++at)
        EXPECT_EQ(screen.rows.at(at).unsold, at == 1 || at == 4 ? std::optional<QString>("Not sold in EUR") : std::nullopt) << at;
    EXPECT_EQ(screen.leftOut, "Leaves out Name b, Name e, not sold in EUR.");
    EXPECT_EQ(CartPresenter::present({lines.first()}, "EUR").leftOut, std::nullopt);
    EXPECT_EQ(CartPresenter::present({line("u", {{"USD", 29}})}, "EUR").total, "€0.00");
    EXPECT_EQ(CartPresenter::present(lines, "USD").total, "$84.00");
}

} // namespace
} // namespace hub
