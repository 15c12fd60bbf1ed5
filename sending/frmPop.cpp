#include "sending/frmPop.h"

#include "platform/forms/controls.h"
#include "platform/forms/services.h"
#include "platform/vb/error.h"
#include "platform/vb/strings.h"

frmPop::frmPop() : forms::Form(QStringLiteral("frmPop")) { setCaption(QStringLiteral("popup")); }

void frmPop::PopupMenu() {
    const int chosen = forms::PopupMenu(this, AltmnuAry);
    if (chosen >= 0)
        forms::Form::RunEvent([this, chosen] { AltmnuAry_Click(chosen); });
}

void frmPop::AltmnuAry_Click(int index) {
    const QString caption = AltmnuAry.value(index);
    if (caption.isEmpty())
        return;
    if (!TargetText)
        vb::Raise(vb::errObjectNotSet);
    // At the caret; a selection is not replaced and ends up behind the
    // placeholder.
    const int c = TargetText->SelStart();
    const QString text = TargetText->Text();
    TargetText->setText(vb::Left(text, c) + QStringLiteral("[##") + caption + QStringLiteral("##]") + vb::Mid(text, c + 1));
    TargetText->setSelStart(vb::Len(TargetText->Text()));
    forms::SetFocus(TargetText);
}

void frmPop::Form_Activate() { Hide(); }

void frmPop::Form_Unload(int&) {
    OwnerForm = forms::FormRef();
    TargetText = nullptr;
}
