// ImageMemory's kept images: one account in bytes for the images kept after their decode and
// those the views show, the least recently used that no view shows out first.

#include "app/views/kit/ImageMemory.h"

#include <QHash>
#include <list>

namespace hub::ImageMemory {

namespace {

struct Entry {
    QImage image;
    qint64 cost = 0;
    int holders = 0;
    std::list<QString>::iterator place; // in Kept::order while no view holds it
};

// Main thread only.
struct Kept {
    QHash<QString, Entry> entries;
    std::list<QString> order; // the entries no view holds, least recently used first
    qint64 bytes = 0;         // the cost of every entry, held or not

    void drop(const QString& address)
    {
        const auto found = entries.find(address);
        if (found == entries.end())
            return;
        if (found->holders == 0)
            order.erase(found->place);
        bytes -= found->cost;
        entries.erase(found);
    }
    // Only what no view holds leaves: what is shown stays, counted.
    void trim()
    {
        while (bytes > keptBytes && !order.empty())
            drop(order.front());
    }
};

Kept& kept()
{
    static auto* account = new Kept; // a view may let go of its image while the process exits
    return *account;
}

} // namespace

Held::Held(const QUrl& url) : address_(url.toString())
{
    const auto found = kept().entries.find(address_);
    if (found == kept().entries.end())
        return;
    if (found->holders++ == 0)
        kept().order.erase(found->place);
    image_ = found->image;
}

Held::Held(Held&& other) noexcept : address_(std::move(other.address_)), image_(std::move(other.image_))
{
    other.image_ = QImage();
}

Held& Held::operator=(Held&& other) noexcept
{
    if (this != &other) {
        release();
        address_ = std::move(other.address_);
        image_ = std::move(other.image_);
        other.image_ = QImage();
    }
    return *this;
}

Held::~Held()
{
    release();
}

void Held::release()
{
    if (image_.isNull())
        return;
    image_ = QImage();
    Kept& account = kept();
    const auto found = account.entries.find(address_);
    if (found == account.entries.end() || --found->holders > 0)
        return;
    found->place = account.order.insert(account.order.end(), address_);
    account.trim();
}

Held remember(const QUrl& url, const QImage& image)
{
    Kept& account = kept();
    const QString address = url.toString();
    const qint64 cost = image.sizeInBytes() + address.size() * qint64(sizeof(QChar)) + keptEntryBytes;
    if (image.isNull() || cost > keptBytes)
        return {};
    const auto found = account.entries.constFind(address);
    if (found == account.entries.constEnd() || found->holders == 0) {
        // The last decode of an address is kept, unless a view shows the one before.
        account.drop(address);
        account.entries.insert(address, Entry{image, cost, 0, account.order.insert(account.order.end(), address)});
        account.bytes += cost;
    }
    Held held(url);
    account.trim();
    return held;
}

} // namespace hub::ImageMemory
