#pragma once

#include "platform/forms/form.h"

#include <QPointer>
#include <QStringList>

namespace forms {
class TextBox;
}

// The hidden window that carries the template page's column menu: a click
// on one of its items puts that column's placeholder into the text box the
// page named.
class frmPop : public forms::Form {
public:
    frmPop();

    // The page that popped the menu up, and its template box.
    forms::FormRef OwnerForm;
    QPointer<forms::TextBox> TargetText;

    // The items of the invisible menu mnuGizli, by index: item 0 is always
    // there, with an empty caption until a page names it.
    QStringList AltmnuAry{QString()};

    // Pops mnuGizli up at the mouse; the chosen item's click runs.
    void PopupMenu();

    void AltmnuAry_Click(int index);
    void Form_Activate() override;
    void Form_Unload(int& cancel) override;
};
