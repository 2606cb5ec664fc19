// The launch snapshot of the storefront, as the hub reads it back from its cache folder.
#include "fuzz/FuzzSeeds.h"

#include "kit/api/StorefrontSnapshot.h"

using namespace hub;

QList<QByteArray> hub::fuzz::seeds()
{
    const PricingVariation variation{"v1", QString::fromUtf8("Monthly \U0001F3B9"), {{"EUR", 12.5}}, {{"EUR", 9.99}, {"USD", 11}},
                                     true, {"Recurring", "Month"}};
    const StorefrontProduct product{"p1", "Reverb", "", "A hall", std::nullopt, "https://web/p1", true, "1.2.3",
                                    QList<Download>{{"R.zip", "k1", Platform::mac, 1 << 30, "https://api/links/k1"}}, variation,
                                    QList<PricingVariation>{variation}};
    Storefront storefront{"EUR", QStringList{"EUR", "USD"}, {product}, {}};
    storefront.bundles.append({"b1", "All", "Both", std::nullopt, std::nullopt, false, true, {product}, variation, std::nullopt});
    return {StorefrontSnapshot::encode(storefront), StorefrontSnapshot::encode(Storefront{})};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // Whatever reads back is written and read back alike (compared as bytes: a price may be NaN).
    if (const std::optional<Storefront> storefront = StorefrontSnapshot::decode(bytes)) {
        const QByteArray written = StorefrontSnapshot::encode(*storefront);
        const std::optional<Storefront> again = StorefrontSnapshot::decode(written);
        if (!again || StorefrontSnapshot::encode(*again) != written)
            __builtin_trap();
    }
    return 0;
}
