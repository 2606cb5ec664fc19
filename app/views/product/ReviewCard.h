#pragma once

#include "kit/api/Review.h"

#include <QWidget>

namespace hub {

// One review: title and date, stars, name and the verified mark, the full text, and
// "Edited" when it was changed; on a faint rounded card.
class ReviewCard : public QWidget {
    Q_OBJECT

public:
    explicit ReviewCard(const Review& review, QWidget* parent = nullptr);

    const Review& review() const { return review_; }

private:
    Review review_;
};

} // namespace hub
