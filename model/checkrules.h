#pragma once
// The checker's statements and its rules, one function each (model/check.h
// says what a check is; docs/checks.md how each rule reads its tables).

#include "model/check.h"

#include "db/query.h"
#include "db/transaction.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace korvane {

using Row = std::vector<kdb::Value>;

// Where each rule reads: the table as stored, and the release file it is
// loaded from.
namespace checktables {
inline const QString kProc = QStringLiteral("TB_PROC (tb_procedimento)");
inline const QString kRegistro = QStringLiteral("TB_PROC_REG (rl_procedimento_registro)");
inline const QString kSexo = QStringLiteral("TB_PROC.PROC_SEXO (tb_procedimento.TP_SEXO)");
inline const QString kIdade =
    QStringLiteral("TB_PROC.PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES (tb_procedimento.VL_IDADE_MINIMA, VL_IDADE_MAXIMA)");
inline const QString kQuantidade = QStringLiteral("TB_PROC.PROC_QTD_MAX (tb_procedimento.QT_MAXIMA_EXECUCAO)");
inline const QString kCid = QStringLiteral("TB_CID_PROC (rl_procedimento_cid)");
inline const QString kCidTable = QStringLiteral("TB_CID (tb_cid)");
inline const QString kCbo = QStringLiteral("TB_PROC_CBO (rl_procedimento_ocupacao)");
inline const QString kHabilitacao = QStringLiteral("TB_PROC_HABILITACAO (rl_procedimento_habilitacao)");
inline const QString kServico = QStringLiteral("TB_PROC_SERV_CLASS (rl_procedimento_servico)");
inline const QString kCompativel = QStringLiteral("TB_PROC_COMP (rl_procedimento_compativel)");
inline const QString kExcecao = QStringLiteral("TB_EXCECAO_COMP (rl_excecao_compatibilidade)");
inline const QString kRegraCond =
    QStringLiteral("TB_PROC_REGRA_COND, TB_REGRA_COND (rl_procedimento_regra_cond, tb_regra_condicionada)");
} // namespace checktables

// The tables of the release this program did not load at first; the rules
// over them read them where the competência has rows in them.
inline constexpr const char* kExceptionTable = "TB_EXCECAO_COMP";
inline constexpr const char* kConditionedLinkTable = "TB_PROC_REGRA_COND";
inline constexpr const char* kConditionedTable = "TB_REGRA_COND";

struct Checker::Queries {
    explicit Queries(kdb::Connection& connection);

    // Runs a statement with its parameters and returns every row.
    std::vector<Row> rows(kdb::Query& q, std::initializer_list<std::pair<const char*, kdb::Value>> params);
    // The tables a database may not hold are looked for once per load.
    void lookForTables();
    void replan();

    kdb::Connection& db;
    kdb::Transaction tr;
    kdb::Query versao, proc, procName, registro, registroNames, registroAll, cidCount, cidOne, cidKnown, cboCount, cboOne, hab, serv, comp;
    std::unique_ptr<kdb::Query> exceptions, conditioned;   // null when the database lacks the tables
    bool tablesLooked = false;
};

struct Procedure {
    std::string code;
    std::string sex;
    std::optional<std::int64_t> maxQuantity, minAge, maxAge;   // as stored (months for the ages)
};

// Trimmed text of a stored value.
std::string textOf(const kdb::Value& v);
QString shownOf(const kdb::Value& v);
std::optional<std::int64_t> numberOf(const kdb::Value& v);

// The procedure's own row, or nothing when the competência lacks it.
std::optional<Procedure> readProcedure(Checker::Queries& q, const std::string& code);

// --- the rules; each appends what it found ------------------------------------
using Rules = std::vector<RuleResult>;
void checkInstrument(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkSex(const CheckRecord& r, const Procedure& p, Rules& out);
void checkAge(const CheckRecord& r, const Procedure& p, Rules& out);
void checkQuantity(const CheckRecord& r, const Procedure& p, Rules& out);
void checkCids(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkCbo(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkQualifications(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkServices(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkCompatibility(Checker::Queries& q, const CheckRecord& r, Rules& out);
void checkConditioned(Checker::Queries& q, const CheckRecord& r, Rules& out);

} // namespace korvane
