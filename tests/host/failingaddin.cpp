// An add-in whose connection event fails: the host must report it and go on.
#include "platform/excel/addin.h"

namespace {

class Connect : public excel::AddinConnection {
public:
    void OnConnection(const std::shared_ptr<excel::Application>&, int, void*, excel::CustomArray&) override {
        vb::Raise(vb::errAutomation, QStringLiteral("bağlantı kurulamadı"));
    }
    void OnDisconnection(int, excel::CustomArray&) override {}
};

} // namespace

QUILLMERE_ADDIN_EXPORT excel::AddinConnection* quillmere_addin_create() { return new Connect(); }

QUILLMERE_ADDIN_EXPORT const excel::AddinRegistration* quillmere_addin_registration() {
    static const excel::AddinRegistration registration{"HostFailing.Connect", "Bozuk", "Bozuk eklenti", 3};
    return &registration;
}
