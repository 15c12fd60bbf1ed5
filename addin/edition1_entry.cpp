// The first edition's entry points: the host creates its Connect object and
// reads its registration through them.
#include "addin/Connect.h"

QUILLMERE_ADDIN_EXPORT excel::AddinConnection* quillmere_addin_create() { return new Connect(); }

QUILLMERE_ADDIN_EXPORT const excel::AddinRegistration* quillmere_addin_registration() {
    static const excel::AddinRegistration registration{"Quillmere.Connect", "Quillmere", "Hestrel Quillmere", 3};
    return &registration;
}
