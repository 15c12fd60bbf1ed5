#pragma once

#include "sending/frmSonEkran.h"

namespace edition2 {

// The second edition's final screen: messages of up to 800 characters in
// its list, the total counted in SMS parts, no status frame, and the send
// of the list through the gateway client's basket.
class frmSonEkran : public ::frmSonEkran {
public:
    using StandsFor = ::frmSonEkran;
    frmSonEkran();

    void cmdGonder_Click() override;
    // The row goes with its parts: the total, the confirmation and the
    // credit check count what is sent.
    void cmdLstCikart_Click() override;
};

} // namespace edition2
