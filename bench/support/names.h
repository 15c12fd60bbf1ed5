#pragma once

// The texts the sort benchmarks order: Turkish names in no order, one in
// eight typed in capitals, drawn from a fixed seed so that every run sorts
// the same rows.
#include <QString>

class NameDraw {
public:
    quint32 next() { return seed_ = seed_ * 1103515245u + 12345u, seed_ >> 8; }

    QString name() {
        static const char* const first[] = {"Çiğdem", "Zeynep", "Işıl", "İbrahim", "Ömer", "Şule", "Ümit", "Ayşe",
                                            "Gülşen", "Ilgaz", "Ahmet", "Canan", "Oğuz", "Deniz", "Emre", "Hülya"};
        static const char* const last[] = {"Öztürk", "Yılmaz", "Kılıç", "Şahin", "Çelik", "Doğan", "Aydın", "Işık",
                                           "İnce", "Erdoğan", "Koç", "Ünal", "Güneş", "Bulut", "Aksoy", "Tekin"};
        const char* given = first[next() % 16];
        const char* family = last[next() % 16];
        const QString name = QString::fromUtf8(given) + u' ' + QString::fromUtf8(family);
        return next() % 8 == 0 ? name.toUpper() : name;
    }

private:
    quint32 seed_ = 12345;
};
