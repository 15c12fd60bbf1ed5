// Prepares the shared database beside an add-in for the demo: the Palvori
// gateway at a given address, no stored login, so the first command asks the
// user to sign in there.
#include "platform/ado/ado.h"
#include "platform/vb/error.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: demo-setup ADDIN_FOLDER GATEWAY_URL\n");
        return 2;
    }
    const QString folder = QDir(args[1]).absolutePath();
    const QString url = args[2];
    try {
        auto db = std::make_shared<ado::Connection>();
        db->Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder + QStringLiteral("/tervane.mdb"));
        QString quoted = url;
        quoted.replace(u'\'', QStringLiteral("''"));
        db->Execute(QStringLiteral("UPDATE tbl_ayarlar SET flg_gw = '1', url_palvori = '%1', kullanici_adi_i = '', "
                                   "parola_i = '', flg_kaydet_i = '0'").arg(quoted));
        db->Close();
    } catch (const vb::Error& e) {
        std::fprintf(stderr, "demo-setup: %s\n", qPrintable(e.description()));
        return 1;
    }
    std::printf("%s/tervane.mdb: Palvori gateway at %s\n", qPrintable(folder), qPrintable(url));
    return 0;
}
