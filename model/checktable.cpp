#include "checktable.h"

#include "core/text.h"

namespace korvane {

std::unique_ptr<kdata::MemoryTable> makeRulesTable(QObject* parent)
{
    auto t = std::make_unique<kdata::MemoryTable>(QStringLiteral("cdsRegras"),
                                                  std::vector<kdata::MemoryTable::ColumnDef>{{QStringLiteral("REGRA"), 34},
                                                                                             {QStringLiteral("VEREDITO"), 15},
                                                                                             {QStringLiteral("MOTIVO"), 4000},
                                                                                             {QStringLiteral("TABELA"), 200},
                                                                                             {QStringLiteral("DETALHE"), 4300}},
                                                  parent);
    const std::pair<const char*, const char*> titles[] = {
        {"REGRA", "Regra"}, {"VEREDITO", "Veredito"}, {"MOTIVO", "Motivo"}, {"TABELA", "Tabela"}};
    for (const auto& [field, title] : titles) {
        kdata::FieldDef def;
        def.name = QString::fromLatin1(field);
        def.title = QString::fromUtf8(title);
        t->setFieldDef(def);
    }
    t->createDataSet();
    return t;
}

void fillRules(kdata::MemoryTable& table, const CheckResult& result)
{
    table.close();
    table.createDataSet();
    table.emptyDataSet();
    for (const RuleResult& r : result.rules) {
        table.append();
        table.set(QStringLiteral("REGRA"), kdb::Value(toWin1252(r.rule)));
        table.set(QStringLiteral("VEREDITO"), kdb::Value(toWin1252(verdictShown(r.verdict))));
        table.set(QStringLiteral("MOTIVO"), kdb::Value(toWin1252(r.reason)));
        table.set(QStringLiteral("TABELA"), kdb::Value(toWin1252(r.table)));
        table.set(QStringLiteral("DETALHE"),
                  kdb::Value(toWin1252(r.rule + QStringLiteral(": ") + r.reason + QStringLiteral("\nTabela: ") + r.table)));
        table.post();
    }
    table.first();
}

} // namespace korvane
