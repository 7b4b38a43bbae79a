// The checker over a release made so that each rule accepts and refuses
// (support/checkfixture.h), and one record per instrument.

#include "model/check.h"
#include "support/checkfixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using korvane::CheckRecord;
using korvane::CheckResult;
using korvane::Verdict;

class Check : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new ktest::TempDir;
        db = new kdb::Connection;
        db->open(ktest::createCheckDatabase(*dir), ktest::kCredentials);
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete dir;
    }

    static CheckRecord record(const std::string& procedure, const std::string& instrument)
    {
        CheckRecord r;
        r.competencia = "202606";
        r.procedure = procedure;
        r.instrument = instrument;
        return r;
    }
    CheckResult check(const CheckRecord& r) { return korvane::Checker(*db).check(r); }

    // The one rule of that name; fails the test when there is none or more.
    static korvane::RuleResult rule(const CheckResult& result, const QString& name)
    {
        const auto n = std::count_if(result.rules.begin(), result.rules.end(), [&](const auto& r) { return r.rule == name; });
        EXPECT_EQ(n, 1) << name.toStdString();
        for (const auto& r : result.rules)
            if (r.rule == name) return r;
        return {};
    }
    static Verdict verdict(const CheckResult& result, const QString& name) { return rule(result, name).verdict; }

    static inline ktest::TempDir* dir = nullptr;
    static inline kdb::Connection* db = nullptr;
};

TEST_F(Check, ProcedureAndCompetencia)
{
    const CheckResult missing = check(record("0999999999", "01"));
    ASSERT_EQ(missing.rules.size(), 1u);
    EXPECT_EQ(missing.rules[0].verdict, Verdict::Refused);
    EXPECT_TRUE(missing.rules[0].reason.contains(QStringLiteral("06/2026"))) << missing.rules[0].reason.toStdString();
    EXPECT_EQ(missing.overall, Verdict::Refused);

    CheckRecord other = record("0301010072", "01");
    other.competencia = "202605";
    try {
        check(other);
        FAIL() << "a competência not loaded was checked";
    } catch (const korvane::CheckError& e) {
        EXPECT_NE(std::string(e.what()).find("05/2026"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("06/2026"), std::string::npos) << e.what();
    }
    EXPECT_THROW(check(record("0301010072", "11")), korvane::CheckError);
    other.competencia.clear();   // the loaded one
    EXPECT_EQ(verdict(check(other), QStringLiteral("Procedimento")), Verdict::Accepted);
}

TEST_F(Check, InstrumentSexAgeQuantity)
{
    CheckRecord r = record("0303010045", "03");
    r.sex = "F";
    r.ageMonths = 216;
    const CheckResult ok = check(r);
    EXPECT_EQ(verdict(ok, QStringLiteral("Instrumento de registro")), Verdict::Accepted);
    EXPECT_EQ(verdict(ok, QStringLiteral("Sexo")), Verdict::Accepted);
    EXPECT_EQ(verdict(ok, QStringLiteral("Idade")), Verdict::Accepted);
    EXPECT_EQ(verdict(ok, QStringLiteral("Quantidade")), Verdict::Accepted);   // 1 when not given

    r.instrument = "02";
    r.sex = "M";
    r.quantity = 2;
    const CheckResult bad = check(r);
    const auto instrument = rule(bad, QStringLiteral("Instrumento de registro"));
    EXPECT_EQ(instrument.verdict, Verdict::Refused);
    EXPECT_TRUE(instrument.table.contains(QStringLiteral("TB_PROC_REG")));
    EXPECT_TRUE(instrument.reason.contains(QStringLiteral("03"))) << instrument.reason.toStdString();
    EXPECT_EQ(verdict(bad, QStringLiteral("Sexo")), Verdict::Refused);
    EXPECT_EQ(verdict(bad, QStringLiteral("Quantidade")), Verdict::Refused);
    EXPECT_EQ(bad.overall, Verdict::Refused);

    r.sex.clear();
    EXPECT_EQ(verdict(check(r), QStringLiteral("Sexo")), Verdict::NotChecked);
    EXPECT_EQ(verdict(check(record("0301010072", "01")), QStringLiteral("Sexo")), Verdict::NoRule);   // I
    EXPECT_EQ(verdict(check(record("0702010016", "04")), QStringLiteral("Sexo")), Verdict::NoRule);   // N
}

TEST_F(Check, AgeBoundsAreInclusiveAndInMonths)
{
    CheckRecord r = record("0303010045", "03");
    const std::pair<int, Verdict> ages[] = {
        {215, Verdict::Refused}, {216, Verdict::Accepted}, {722, Verdict::Accepted}, {723, Verdict::Refused}};
    for (const auto& [months, expected] : ages) {
        r.ageMonths = months;
        EXPECT_EQ(verdict(check(r), QStringLiteral("Idade")), expected) << months;
    }
    r.ageMonths.reset();
    EXPECT_EQ(verdict(check(r), QStringLiteral("Idade")), Verdict::NotChecked);

    CheckRecord onlyMax = record("0401010023", "03");   // 9999 below, 1200 above
    onlyMax.ageMonths = 0;
    EXPECT_EQ(verdict(check(onlyMax), QStringLiteral("Idade")), Verdict::Accepted);
    onlyMax.ageMonths = 1201;
    EXPECT_EQ(verdict(check(onlyMax), QStringLiteral("Idade")), Verdict::Refused);
    EXPECT_EQ(verdict(check(record("0301010072", "01")), QStringLiteral("Idade")), Verdict::NoRule);
    // Years alone round the months: not read as a limit.
    CheckRecord years = record("0301060010", "01");
    years.ageMonths = 6;
    EXPECT_EQ(verdict(check(years), QStringLiteral("Idade")), Verdict::NotChecked);
    EXPECT_EQ(verdict(check(record("0301010072", "01")), QStringLiteral("Quantidade")), Verdict::NoRule);   // 9999
}

TEST_F(Check, CidPrincipalAndSecondary)
{
    CheckRecord r = record("0303010045", "03");
    EXPECT_EQ(verdict(check(r), QStringLiteral("CID principal")), Verdict::NotChecked);
    r.cids = {"A00", "A01"};
    const CheckResult ok = check(r);
    EXPECT_EQ(verdict(ok, QStringLiteral("CID principal")), Verdict::Accepted);
    EXPECT_EQ(verdict(ok, QStringLiteral("CID secundário A01")), Verdict::Accepted);

    r.cids = {"A01", "J189"};
    const CheckResult bad = check(r);
    const auto principal = rule(bad, QStringLiteral("CID principal"));
    EXPECT_EQ(principal.verdict, Verdict::Refused);
    EXPECT_TRUE(principal.reason.contains(QStringLiteral("ST_PRINCIPAL N"))) << principal.reason.toStdString();
    // The table lists what may be principal; of a secondary outside it, it says nothing.
    EXPECT_EQ(verdict(bad, QStringLiteral("CID secundário J189")), Verdict::NotChecked);

    r.cids = {"J189"};
    EXPECT_EQ(verdict(check(r), QStringLiteral("CID principal")), Verdict::Refused);
    r.cids = {"Z999"};
    const auto unknown = rule(check(r), QStringLiteral("CID principal"));
    EXPECT_EQ(unknown.verdict, Verdict::Refused);
    EXPECT_TRUE(unknown.table.contains(QStringLiteral("TB_CID (")));
    EXPECT_EQ(verdict(check(record("0301010072", "01")), QStringLiteral("CID")), Verdict::NoRule);
}

TEST_F(Check, CboQualificationsServices)
{
    CheckRecord consult = record("0301010072", "02");
    EXPECT_EQ(verdict(check(consult), QStringLiteral("CBO")), Verdict::NotChecked);
    consult.cbo = "225170";
    EXPECT_EQ(verdict(check(consult), QStringLiteral("CBO")), Verdict::Accepted);
    consult.cbo = "223505";
    EXPECT_EQ(verdict(check(consult), QStringLiteral("CBO")), Verdict::Refused);
    EXPECT_EQ(verdict(check(consult), QStringLiteral("Habilitação")), Verdict::NoRule);

    CheckRecord surgery = record("0406010013", "03");
    EXPECT_EQ(verdict(check(surgery), QStringLiteral("Habilitação")), Verdict::NotChecked);
    const std::pair<std::vector<std::string>, Verdict> units[] = {
        {{"3802"}, Verdict::Accepted},           // one alone is enough
        {{"0803", "0801"}, Verdict::Accepted},   // the whole group
        {{"0801"}, Verdict::Refused},            // half a group is not
        {{"0803", "2902"}, Verdict::Refused},
    };
    for (const auto& [held, expected] : units) {
        surgery.qualifications = held;
        EXPECT_EQ(verdict(check(surgery), QStringLiteral("Habilitação")), expected) << held.front();
    }

    CheckRecord exam = record("0211030100", "02");
    EXPECT_EQ(verdict(check(exam), QStringLiteral("Serviço/classificação")), Verdict::NotChecked);
    exam.services = {{"999", "001"}, {"135", "003"}};
    EXPECT_EQ(verdict(check(exam), QStringLiteral("Serviço/classificação")), Verdict::Accepted);
    exam.services = {{"135", "001"}, {"121", "003"}};   // each half of a pair is not the pair
    EXPECT_EQ(verdict(check(exam), QStringLiteral("Serviço/classificação")), Verdict::Refused);
}

TEST_F(Check, SecondariesCompatibleWithThePrincipal)
{
    CheckRecord r = record("0303010037", "03");
    EXPECT_EQ(verdict(check(r), QStringLiteral("Compatibilidade")), Verdict::NoRule);
    r.secondaries = {{"0702010016", 5}, {"0401010015", 1}, {"0401010023", 1}, {"0211030100", 1}, {"0999999999", 1}};
    const CheckResult c = check(r);
    EXPECT_EQ(verdict(c, QStringLiteral("Compatibilidade 0702010016")), Verdict::Accepted);
    EXPECT_EQ(verdict(c, QStringLiteral("Compatibilidade 0401010015")), Verdict::Refused);     // TP 2
    EXPECT_EQ(verdict(c, QStringLiteral("Compatibilidade 0401010023")), Verdict::NotChecked);  // TP 3
    EXPECT_EQ(verdict(c, QStringLiteral("Compatibilidade 0211030100")), Verdict::NotChecked);  // no link
    EXPECT_EQ(verdict(c, QStringLiteral("Compatibilidade 0999999999")), Verdict::Refused);     // no procedure

    r.secondaries = {{"0702010016", 6}};
    const auto over = rule(check(r), QStringLiteral("Compatibilidade 0702010016"));
    EXPECT_EQ(over.verdict, Verdict::Refused);
    EXPECT_TRUE(over.reason.contains(QStringLiteral("até 5"))) << over.reason.toStdString();
    // The link is from the principal's own instrument.
    CheckRecord special = record("0303010037", "04");
    special.secondaries = {{"0702010016", 1}};
    EXPECT_EQ(verdict(check(special), QStringLiteral("Compatibilidade 0702010016")), Verdict::NotChecked);
}

TEST_F(Check, ExceptionLiftsAnIncompatibilityOnlyWithItsProcedure)
{
    CheckRecord r = record("0303010037", "03");
    r.secondaries = {{"0702010016", 1}, {"0702010024", 1}};
    const CheckResult plain = check(r);
    EXPECT_EQ(verdict(plain, QStringLiteral("Incompatibilidade 0702010016 × 0702010024")), Verdict::Refused);
    EXPECT_EQ(verdict(plain, QStringLiteral("Exceções de compatibilidade")), Verdict::NoRule);
    EXPECT_EQ(plain.overall, Verdict::Refused);

    r.procedure = "0406010013";
    r.qualifications = {"3802"};
    const CheckResult lifted = check(r);
    const auto pair = rule(lifted, QStringLiteral("Incompatibilidade 0702010016 × 0702010024"));
    EXPECT_EQ(pair.verdict, Verdict::Accepted);
    EXPECT_TRUE(pair.table.contains(QStringLiteral("TB_EXCECAO_COMP")));
    EXPECT_TRUE(pair.reason.contains(QStringLiteral("0406010013"))) << pair.reason.toStdString();
    for (const auto& rule : lifted.rules) EXPECT_NE(rule.verdict, Verdict::Refused) << rule.rule.toStdString();
}

TEST_F(Check, ConditionedRulesAskTheClerk)
{
    CheckRecord r = record("0211030100", "02");
    r.services = {{"121", "001"}};
    const CheckResult c = check(r);
    const auto conditioned = rule(c, QStringLiteral("Regra condicionada 0211030100"));
    EXPECT_EQ(conditioned.verdict, Verdict::Confirm);
    EXPECT_TRUE(conditioned.reason.contains(QStringLiteral("CONDICIONA REGISTRO EM BPA-I"))) << conditioned.reason.toStdString();
    EXPECT_TRUE(conditioned.reason.contains(QStringLiteral("SERVICO 114"))) << conditioned.reason.toStdString();
    EXPECT_EQ(c.overall, Verdict::Confirm);
    EXPECT_EQ(verdict(check(record("0301010072", "01")), QStringLiteral("Regras condicionadas")), Verdict::NoRule);
}

// Every instrument of the release: its own procedure accepted there, refused on the next.
TEST_F(Check, OneRecordPerInstrument)
{
    for (int i = 1; i <= 10; ++i) {
        char code[11], reg[3], next[3];
        std::snprintf(code, sizeof code, "09000000%02d", i);
        std::snprintf(reg, sizeof reg, "%02d", i);
        std::snprintf(next, sizeof next, "%02d", i % 10 + 1);
        const CheckResult here = check(record(code, reg));
        EXPECT_EQ(here.overall, Verdict::Accepted) << code;
        const CheckResult there = check(record(code, next));
        EXPECT_EQ(there.overall, Verdict::Refused) << code;
        EXPECT_EQ(verdict(there, QStringLiteral("Instrumento de registro")), Verdict::Refused) << code;
    }
}

TEST(CheckWithoutLaterTables, ExceptionsAndConditionedRulesAreNotChecked)
{
    ktest::TempDir dir;
    kdb::Connection db;
    db.open(ktest::createCheckDatabase(dir, {false}), ktest::kCredentials);
    // The tables are there, empty: a release without their files.
    EXPECT_TRUE(korvane::tableExists(db, "TB_EXCECAO_COMP"));
    EXPECT_TRUE(korvane::tableExists(db, "TB_PROC_COMP"));
    CheckRecord r;
    r.procedure = "0406010013";
    r.instrument = "03";
    r.qualifications = {"3802"};
    r.secondaries = {{"0702010016", 1}, {"0702010024", 1}};
    const CheckResult c = korvane::Checker(db).check(r);
    const auto has = [&](const QString& name, Verdict v) {
        return std::any_of(c.rules.begin(), c.rules.end(), [&](const auto& x) { return x.rule == name && x.verdict == v; });
    };
    EXPECT_TRUE(has(QStringLiteral("Exceções de compatibilidade"), Verdict::NotChecked));
    EXPECT_TRUE(has(QStringLiteral("Regras condicionadas"), Verdict::NotChecked));
    // Without the exception the OPMs exclude each other.
    EXPECT_TRUE(has(QStringLiteral("Incompatibilidade 0702010016 × 0702010024"), Verdict::Refused));
}

TEST(CheckVerdict, RefusalFirstThenALook)
{
    using korvane::RuleResult;
    const RuleResult ok{QStringLiteral("a"), Verdict::Accepted, {}, {}}, none{QStringLiteral("b"), Verdict::NoRule, {}, {}},
        confirm{QStringLiteral("c"), Verdict::Confirm, {}, {}}, unchecked{QStringLiteral("d"), Verdict::NotChecked, {}, {}},
        refused{QStringLiteral("e"), Verdict::Refused, {}, {}};
    EXPECT_EQ(korvane::overallVerdict({ok, none}), Verdict::Accepted);
    EXPECT_EQ(korvane::overallVerdict({ok, unchecked}), Verdict::Confirm);
    EXPECT_EQ(korvane::overallVerdict({confirm, ok}), Verdict::Confirm);
    EXPECT_EQ(korvane::overallVerdict({confirm, refused, unchecked}), Verdict::Refused);
    EXPECT_STREQ(korvane::verdictKey(Verdict::Confirm), "verificar");
    EXPECT_STREQ(korvane::verdictKey(Verdict::NotChecked), "nao_verificado");
}

TEST(CheckTyped, WhatAPersonTypes)
{
    EXPECT_EQ(korvane::parseAge(QStringLiteral("2,3")), 27);
    EXPECT_EQ(korvane::parseAge(QStringLiteral(" 40 ")), 480);
    EXPECT_EQ(korvane::parseAge(QStringLiteral("0,11")), 11);
    EXPECT_FALSE(korvane::parseAge(QStringLiteral("2,12")));
    EXPECT_FALSE(korvane::parseAge(QStringLiteral("-1")));
    EXPECT_FALSE(korvane::parseAge(QStringLiteral("dois")));
    EXPECT_EQ(korvane::parseCompetencia(QStringLiteral("202606")), "202606");
    EXPECT_EQ(korvane::parseCompetencia(QStringLiteral("06/2026")), "202606");
    EXPECT_FALSE(korvane::parseCompetencia(QStringLiteral("202613")));
    EXPECT_FALSE(korvane::parseCompetencia(QStringLiteral("2026-06")));
    const auto s = korvane::parseSecondary(QStringLiteral("07.02.01.001-6:3"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->code, "0702010016");
    EXPECT_EQ(s->quantity, 3);
    EXPECT_EQ(korvane::parseSecondary(QStringLiteral("0702010016"))->quantity, 1);
    EXPECT_FALSE(korvane::parseSecondary(QStringLiteral("0702010016:0")));
    EXPECT_FALSE(korvane::parseSecondary(QStringLiteral("07020100")));
    const auto sc = korvane::parseServiceClass(QStringLiteral("121/001"));
    ASSERT_TRUE(sc);
    EXPECT_EQ(sc->service, "121");
    EXPECT_EQ(sc->classification, "001");
    EXPECT_FALSE(korvane::parseServiceClass(QStringLiteral("121001")));
    EXPECT_EQ(korvane::typedCode(QStringLiteral("j18.9")), "J189");
    EXPECT_EQ(korvane::typedList(QStringLiteral(" 0801, 0803;2902 ")), (QStringList{"0801", "0803", "2902"}));
}

} // namespace
