#pragma once

#include "platform/forms/form.h"

// A window that is not built yet: it has its class name and caption and says
// so, so that the commands leading to it can already be used and tested.
class PlaceholderForm : public forms::Form {
public:
    PlaceholderForm(const QString& className, const QString& caption);
};
