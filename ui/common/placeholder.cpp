#include "ui/common/placeholder.h"

#include "platform/forms/controls.h"

PlaceholderForm::PlaceholderForm(const QString& className, const QString& caption) : forms::Form(className) {
    setCaption(caption);
    forms::SetFont(this, QStringLiteral("Tahoma"), 8.25);
    auto* note = new forms::Label(this, QStringLiteral("lblHazirlaniyor"),
                                  QStringLiteral("Bu pencere henüz hazırlanıyor."));
    forms::Place(note, 240, 240, 5000, 400);
    setWidth(5760);
    setHeight(1500);
}
