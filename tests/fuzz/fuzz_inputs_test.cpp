// Every seed of the fuzz targets, and every input one of them once found
// failing (regressions/<target>), through the target's own code.
#include "fuzz/entries.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct Target {
    const char* name;
    void (*entry)(const uint8_t*, size_t);
    bool workbooks;               // also the workbooks other programs wrote
    const char* alsoSeeds = "";   // and the seeds of another target
};

const Target kTargets[] = {
    {"xls", fuzz::Xls, true, "cfb"},   {"xlsx", fuzz::Xlsx, true},       {"csv", fuzz::Csv, true},
    {"cfb", fuzz::Compound, true},     {"xml", fuzz::Xml, false},        {"report", fuzz::Report, false},
    {"account", fuzz::Account, false}, {"filter", fuzz::Criteria, false}, {"text", fuzz::Text, false},
    {"merge", fuzz::Merge, false},
};

void PrintTo(const Target& t, std::ostream* os) { *os << t.name; }

class FuzzInputs : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzInputs, RunWithoutFindings) {
    const Target& t = GetParam();
    QStringList folders{QStringLiteral(QM_FUZZ_SEEDS "/") + QString::fromLatin1(t.name),
                        QStringLiteral(QM_FUZZ_REGRESSIONS "/") + QString::fromLatin1(t.name)};
    if (t.workbooks)
        folders << QStringLiteral(QM_WORKBOOK_CORPUS);
    if (*t.alsoSeeds)
        folders << QStringLiteral(QM_FUZZ_SEEDS "/") + QString::fromLatin1(t.alsoSeeds);
    int inputs = 0;
    for (const QString& folder : folders) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            SCOPED_TRACE(file.filePath().toStdString());
            QFile f(file.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            t.entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzInputs, ::testing::ValuesIn(kTargets),
                         [](const auto& test) { return std::string(test.param.name); });

} // namespace
