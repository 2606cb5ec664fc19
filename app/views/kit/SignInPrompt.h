#pragma once

#include "app/views/kit/EmptyState.h"

namespace hub {

class AppModel;

// The empty state of a page that needs an account: it opens the sign-in sheet,
// to connect the store (with `reason`) or for a plain sign-in.
class SignInPrompt : public EmptyState {
    Q_OBJECT

public:
    SignInPrompt(AppModel& model, const QString& reason, bool storeOnly, QWidget* parent = nullptr);
};

} // namespace hub
