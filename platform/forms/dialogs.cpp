#include "platform/forms/dialogs.h"

namespace orvo::forms {

Dialogs::~Dialogs() = default;

}  // namespace orvo::forms
