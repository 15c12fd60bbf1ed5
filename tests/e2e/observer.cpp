// An add-in of the end-to-end tests' own that watches the host's command
// bars. Loaded after the add-in under test, its disconnection (which comes
// later) writes what is left of the bars to $QM_OBSERVER_LOG. With
// QM_OBSERVER_SQUAT set it first takes the toolbar name "Quillmere", as a
// toolbar left from an earlier run would.
#include "platform/excel/addin.h"
#include "platform/excel/application.h"
#include "platform/excel/commandbars.h"

#include <QFile>

namespace {

class Observer : public excel::AddinConnection {
public:
    void OnConnection(const std::shared_ptr<excel::Application>& app, int, void*, excel::CustomArray&) override {
        app_ = app;
        if (!qEnvironmentVariableIsEmpty("QM_OBSERVER_SQUAT"))
            app->CommandBars().Add(QStringLiteral("Quillmere"));
    }
    void OnDisconnection(int, excel::CustomArray&) override {
        QFile f(qEnvironmentVariable("QM_OBSERVER_LOG"));
        if (!app_ || !f.open(QIODevice::WriteOnly | QIODevice::Text))
            return;
        auto bars = app_->CommandBars();
        for (int i = 1; i <= bars.Count(); ++i)
            f.write(("bar " + bars.Item(i)->Name() + u'\n').toUtf8());
        auto menu = bars.Item(QStringLiteral("Worksheet Menu Bar"))->Controls();
        for (int i = 1; i <= menu.Count(); ++i)
            f.write(("menu " + menu.Item(i)->Caption() + u'\n').toUtf8());
    }

private:
    std::shared_ptr<excel::Application> app_;
};

} // namespace

QUILLMERE_ADDIN_EXPORT excel::AddinConnection* quillmere_addin_create() { return new Observer(); }

QUILLMERE_ADDIN_EXPORT const excel::AddinRegistration* quillmere_addin_registration() {
    static const excel::AddinRegistration r{"Observer.Connect", "Observer", "Bars observer of the tests", 3};
    return &r;
}
