#pragma once

#include "sending/frmSMS_1.h"

namespace edition2 {

// The second edition's quick-send page: its list built anew at every
// activation, a text of up to 612 characters counted in SMS parts and the
// credit checked against the parts, the package sent through the gateway
// client's basket.
class frmSMS_1 : public ::frmSMS_1 {
public:
    using StandsFor = ::frmSMS_1;
    frmSMS_1();

    // The rows the last complete activation listed. A long, not 16 bits:
    // lists pass 32,767 numbers, and their parts four times as many.
    qint32 RecipientCount = 0;

    // Nothing to clear: the list is never kept between activations.
    void Form_QueryUnload(int&, int) override {}
    void txtMesaj_Change() override;
    void cmdListeCikart_Click() override;
    void cmdIleri_Click() override;

protected:
    void listOpened() override;
    void selectionWalkStarts() override {}
    void activationComplete() override;
};

} // namespace edition2
