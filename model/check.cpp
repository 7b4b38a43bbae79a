#include "checkrules.h"

#include "core/text.h"
#include "model/searchtext.h"
#include "update/history.h"
#include "update/releaseinfo.h"

#include <QRegularExpression>

#include <algorithm>

namespace korvane {

const char* verdictKey(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Accepted: return "aceito";
    case Verdict::Refused: return "recusado";
    case Verdict::Confirm: return "verificar";
    case Verdict::NotChecked: return "nao_verificado";
    case Verdict::NoRule: return "sem_regra";
    }
    return "";
}

QString verdictShown(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Accepted: return QStringLiteral("ACEITO");
    case Verdict::Refused: return QStringLiteral("RECUSADO");
    case Verdict::Confirm: return QStringLiteral("VERIFICAR");
    case Verdict::NotChecked: return QStringLiteral("NÃO VERIFICADO");
    case Verdict::NoRule: return QStringLiteral("SEM REGRA");
    }
    return {};
}

Verdict overallVerdict(const std::vector<RuleResult>& rules)
{
    bool look = false;
    for (const RuleResult& r : rules) {
        if (r.verdict == Verdict::Refused) return Verdict::Refused;
        look = look || r.verdict == Verdict::Confirm || r.verdict == Verdict::NotChecked;
    }
    return look ? Verdict::Confirm : Verdict::Accepted;
}

bool tableExists(kdb::Connection& connection, const std::string& name)
{
    kdb::Transaction tr(connection, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(connection, tr);
    q.setSql("select 1 from rdb$relations where rdb$relation_name = :name");
    q.setParam("name", name);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    tr.commit();
    return found;
}

static bool tableHasRows(kdb::Connection& connection, kdb::Transaction& tr, const std::string& name)
{
    if (!tableExists(connection, name)) return false;
    kdb::Query q(connection, tr);
    q.setSql("select first 1 1 from " + name);
    q.open();
    const bool rows = !q.isEmpty();
    q.close();
    return rows;
}

// --- what a person types ---------------------------------------------------------

std::optional<std::string> parseCompetencia(const QString& text)
{
    const QString t = text.trimmed();
    static const QRegularExpression plain(QStringLiteral("^(\\d{4})(\\d{2})$"));
    static const QRegularExpression shown(QStringLiteral("^(\\d{2})/(\\d{4})$"));
    QString year, month;
    if (const auto m = plain.match(t); m.hasMatch()) {
        year = m.captured(1);
        month = m.captured(2);
    } else if (const auto s = shown.match(t); s.hasMatch()) {
        year = s.captured(2);
        month = s.captured(1);
    } else {
        return std::nullopt;
    }
    if (month.toInt() < 1 || month.toInt() > 12) return std::nullopt;
    return (year + month).toStdString();
}

std::optional<int> parseAge(const QString& text)
{
    static const QRegularExpression age(QStringLiteral("^(\\d{1,3})(?:,(\\d{1,2}))?$"));
    const auto m = age.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const int months = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    if (months > 11) return std::nullopt;
    return m.captured(1).toInt() * 12 + months;
}

std::optional<ServiceClass> parseServiceClass(const QString& text)
{
    static const QRegularExpression pair(QStringLiteral("^(\\d{3})/(\\d{3})$"));
    const auto m = pair.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    return ServiceClass{m.captured(1).toStdString(), m.captured(2).toStdString()};
}

std::optional<SecondaryLine> parseSecondary(const QString& text)
{
    const QString t = text.trimmed();
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    SecondaryLine line;
    line.code = typedCode(colon < 0 ? t : t.left(colon));
    if (line.code.size() != 10 || line.code.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    if (colon >= 0) {
        bool ok = false;
        line.quantity = t.mid(colon + 1).toInt(&ok);
        if (!ok || line.quantity < 1) return std::nullopt;
    }
    return line;
}

std::string typedCode(const QString& text) { return SearchText::parse(text.trimmed().toUpper()).code; }

QStringList typedList(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    return text.split(separators, Qt::SkipEmptyParts);
}

// --- the statements -----------------------------------------------------------------

Checker::Queries::Queries(kdb::Connection& connection)
    : db(connection), tr(connection, kdb::Transaction::Access::ReadOnly), versao(db, tr), proc(db, tr), procName(db, tr),
      registro(db, tr), registroNames(db, tr), registroAll(db, tr), cidCount(db, tr), cidOne(db, tr), cidKnown(db, tr), cboCount(db, tr), cboOne(db, tr),
      hab(db, tr), serv(db, tr), comp(db, tr)
{
    versao.setSql("select VERSAO from VERSAO");
    proc.setSql("select PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES from TB_PROC "
                "where PROC_COD = :p");
    procName.setSql("select PROC_DESCR from TB_PROC where PROC_COD = :p");
    registroAll.setSql("select REG_COD, REG_DESCR from TB_REGISTRO order by REG_COD");
    registro.setSql("select PR_REG from TB_PROC_REG where PR_PROC = :p order by PR_REG");
    registroNames.setSql("select REG_DESCR from TB_REGISTRO where REG_COD = :r");
    cidCount.setSql("select count(*) from TB_CID_PROC where CP_PROC = :p");
    cidOne.setSql("select CP_ST_PRINCIPAL from TB_CID_PROC where CP_PROC = :p and CP_CID = :c");
    cidKnown.setSql("select CID_COD from TB_CID where CID_COD = :c");
    cboCount.setSql("select count(*) from TB_PROC_CBO where PCBO_PROC = :p");
    cboOne.setSql("select PCBO_CBO from TB_PROC_CBO where PCBO_PROC = :p and PCBO_CBO = :c");
    hab.setSql("select HABILITACAO, GRUPO_HABILITACAO from TB_PROC_HABILITACAO where PROCEDIMENTO = :p "
               "order by GRUPO_HABILITACAO, HABILITACAO");
    serv.setSql("select PS_SERVICO, PS_CLASSIF from TB_PROC_SERV_CLASS where PS_PROC = :p order by PS_SERVICO, PS_CLASSIF");
    comp.setSql("select PC_REG_PRINC, PC_REG_SEC, PC_TP_COMPAT, PC_QT_PERMITIDA from TB_PROC_COMP "
                "where PC_PROC_PRINC = :a and PC_PROC_SEC = :b");
}

std::vector<Row> Checker::Queries::rows(kdb::Query& q, std::initializer_list<std::pair<const char*, kdb::Value>> params)
{
    for (const auto& [name, value] : params) q.setParam(name, value);
    q.open();
    q.fetchAll();
    std::vector<Row> out(q.rowCount());
    for (std::size_t r = 0; r < out.size(); ++r)
        for (std::size_t f = 0; f < q.fieldCount(); ++f) out[r].push_back(q.value(r, f));
    q.close();
    return out;
}

void Checker::Queries::lookForTables()
{
    if (tablesLooked) return;
    tablesLooked = true;
    exceptions.reset();
    conditioned.reset();
    // A release without these files leaves their tables empty in its competência.
    if (tableHasRows(db, tr, kExceptionTable)) {
        exceptions = std::make_unique<kdb::Query>(db, tr);
        exceptions->setSql(std::string("select EC_PROC_RESTR, EC_REG_PRINC, EC_REG_COMP, EC_TP_COMPAT from ") +
                           kExceptionTable + " where EC_PROC_PRINC = :a and EC_PROC_COMP = :b");
    }
    if (tableHasRows(db, tr, kConditionedLinkTable) && tableExists(db, kConditionedTable)) {
        conditioned = std::make_unique<kdb::Query>(db, tr);
        conditioned->setSql(std::string("select r.PRC_REGRA, t.RC_DESCR, t.RC_DETALHE from ") + kConditionedLinkTable +
                            " r left join " + kConditionedTable + " t on t.RC_COD = r.PRC_REGRA where r.PRC_PROC = :p "
                            "order by r.PRC_REGRA");
    }
}

void Checker::Queries::replan()
{
    for (kdb::Query* query : {&versao, &proc, &procName, &registro, &registroNames, &registroAll, &cidCount, &cidOne, &cidKnown, &cboCount, &cboOne,
                              &hab, &serv, &comp})
        query->replanOnNextOpen();
    tablesLooked = false;
}

// --- values as the rules read them ------------------------------------------------

std::string textOf(const kdb::Value& v) { return v.isNull() ? std::string() : trimmedCopy(v.toString()); }

QString shownOf(const kdb::Value& v) { return fromWin1252(textOf(v)); }

std::optional<std::int64_t> numberOf(const kdb::Value& v)
{
    if (v.kind() == kdb::Value::Kind::Integer) return v.asInteger();
    return std::nullopt;
}

std::optional<Procedure> readProcedure(Checker::Queries& q, const std::string& code)
{
    const std::vector<Row> rows = q.rows(q.proc, {{"p", code}});
    if (rows.empty()) return std::nullopt;
    const Row& row = rows.front();
    return Procedure{code, textOf(row[0]), numberOf(row[1]), numberOf(row[2]), numberOf(row[3])};
}

// --- the checker -----------------------------------------------------------------------

Checker::Checker(kdb::Connection& connection) : q_(std::make_unique<Queries>(connection)) {}

Checker::~Checker() = default;

std::string Checker::loadedCompetencia()
{
    const std::vector<Row> rows = q_->rows(q_->versao, {});
    q_->tr.commit();
    return rows.empty() ? std::string() : competenciaOfVersao(textOf(rows.front()[0]));
}

std::vector<std::pair<std::string, QString>> Checker::instruments()
{
    std::vector<std::pair<std::string, QString>> out;
    for (const Row& row : q_->rows(q_->registroAll, {})) out.emplace_back(textOf(row[0]), shownOf(row[1]));
    q_->tr.commit();
    return out;
}

QString Checker::procedureName(const std::string& code)
{
    const std::vector<Row> rows = q_->rows(q_->procName, {{"p", code}});
    q_->tr.commit();
    return rows.empty() ? QString() : shownOf(rows.front()[0]);
}

void Checker::releaseLoaded() { q_->replan(); }

CheckResult Checker::check(const CheckRecord& record)
{
    // The record's competência, consulted for the check alone.
    const ConsultedFor consulted(q_->db, record.competencia);
    const std::string loaded = loadedCompetencia();
    if (!record.competencia.empty() && record.competencia != loaded)
        throw CheckError("a competência " + competenciaShown(record.competencia) + " não está no banco; o banco tem " +
                         (loaded.empty() ? std::string("nenhuma competência carregada") : competenciaShown(loaded)));
    if (q_->rows(q_->registroNames, {{"r", record.instrument}}).empty())
        throw CheckError("o instrumento de registro \"" + record.instrument + "\" não existe na competência");
    q_->lookForTables();
    CheckResult result;
    const std::optional<Procedure> p = readProcedure(*q_, record.procedure);
    const QString code = QString::fromStdString(record.procedure);
    if (!p) {
        result.rules.push_back({QStringLiteral("Procedimento"), Verdict::Refused,
                                QStringLiteral("o procedimento %1 não existe na competência %2")
                                    .arg(code, QString::fromStdString(competenciaShown(loaded))),
                                checktables::kProc});
    } else {
        result.rules.push_back({QStringLiteral("Procedimento"), Verdict::Accepted,
                                QStringLiteral("o procedimento %1 existe na competência %2")
                                    .arg(code, QString::fromStdString(competenciaShown(loaded))),
                                checktables::kProc});
        checkInstrument(*q_, record, result.rules);
        checkSex(record, *p, result.rules);
        checkAge(record, *p, result.rules);
        checkQuantity(record, *p, result.rules);
        checkCids(*q_, record, result.rules);
        checkCbo(*q_, record, result.rules);
        checkQualifications(*q_, record, result.rules);
        checkServices(*q_, record, result.rules);
        checkCompatibility(*q_, record, result.rules);
        checkConditioned(*q_, record, result.rules);
    }
    q_->tr.commit();
    result.overall = overallVerdict(result.rules);
    return result;
}

} // namespace korvane
