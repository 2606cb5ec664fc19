#include "app/views/kit/SignInPrompt.h"

#include "app/model/AppModel.h"
#include "app/views/kit/PagePresenter.h"
#include "app/views/kit/SymbolName.h"

namespace hub {

SignInPrompt::SignInPrompt(AppModel& model, const QString& reason, bool storeOnly, QWidget* parent)
    : EmptyState(PagePresenter::signInPrompt(storeOnly).title, reason, "person.crop.circle"_symbol,
          Action{PagePresenter::signInPrompt(storeOnly).button,
              [&model, reason, storeOnly] {
                  // The purpose first, the sheet second.
                  model.accounts().openSignIn(storeOnly ? SignInPurpose::connectStore(reason) : SignInPurpose::general());
              }},
          parent)
{
}

} // namespace hub
