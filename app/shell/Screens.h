#pragma once

#include "app/model/HubSection.h"
#include "kit/api/ExtrasItem.h"
#include "kit/api/StorefrontProduct.h"

class QJsonObject;
class QWidget;

namespace hub {

class AppModel;
class HubUpdater;

// The screens the main window places in its detail column, made here so the window
// does not depend on each one's construction. A screen is made in the widget that shows
// it: one moved there afterwards would be styled all over again.
class Screens {
public:
    static QWidget* section(HubSection section, AppModel& model, QWidget* parent);
    static QWidget* searchResults(AppModel& model, QWidget* parent);
    static QWidget* productPage(const StorefrontProduct& product, AppModel& model, QWidget* parent);
    static QWidget* extrasItemPage(const ExtrasItem& item, AppModel& model, QWidget* parent);
    static QWidget* signIn(AppModel& model);
    static QWidget* cart(AppModel& model);
    // `info` is the hub's information file (its version).
    static QWidget* settings(AppModel& model, HubUpdater& updater, const QJsonObject& info);
};

} // namespace hub
