// The second edition's entry points: the host creates its Connect object and
// reads its registration through them.
#include "edition2/Connect.h"

QUILLMERE_ADDIN_EXPORT excel::AddinConnection* quillmere_addin_create() { return new edition2::Connect(); }

QUILLMERE_ADDIN_EXPORT const excel::AddinRegistration* quillmere_addin_registration() {
    static const excel::AddinRegistration registration{"quillmere.Connect", "DorvaneQuillmere", "DorvaneQuillmere", 3};
    return &registration;
}
