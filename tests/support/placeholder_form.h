#pragma once

// A window of the tests' own for the login window to open once the login
// succeeds: a class name, a caption and a line of text, nothing more.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

class PlaceholderForm : public forms::Form {
public:
    PlaceholderForm(const QString& className, const QString& caption) : forms::Form(className) {
        setCaption(caption);
        forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);
        auto* note = new forms::Label(this, QStringLiteral("lblHazirlaniyor"),
                                      QStringLiteral("Bu pencere henüz hazırlanıyor."));
        forms::Place(note, 240, 240, 5000, 400);
        setWidth(5760);
        setHeight(1500);
    }
};
