// The rules of one procedure: where it may be registered, for whom, how
// many times, with which diagnoses, by whom and in which unit.

#include "checkrules.h"

#include "model/limits.h"

#include <QStringList>

#include <algorithm>
#include <map>
#include <set>

namespace korvane {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QString joined(const std::vector<std::string>& codes, int most = 12)
{
    QStringList parts;
    for (std::size_t i = 0; i < codes.size() && i < static_cast<std::size_t>(most); ++i) parts << qs(codes[i]);
    QString text = parts.join(QStringLiteral(", "));
    if (codes.size() > static_cast<std::size_t>(most)) text += QStringLiteral(" e outros %1").arg(codes.size() - most);
    return text;
}

// The age as a clerk says it.
QString ageText(std::int64_t months) { return ageShown(kdb::Value(months), kdb::Value()); }

} // namespace

void checkInstrument(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    const QString rule = QStringLiteral("Instrumento de registro");
    std::vector<std::string> allowed;
    for (const Row& row : q.rows(q.registro, {{"p", r.procedure}})) allowed.push_back(textOf(row[0]));
    const std::vector<Row> names = q.rows(q.registroNames, {{"r", r.instrument}});
    const QString asked = qs(r.instrument) + (names.empty() ? QString() : QStringLiteral(" ") + shownOf(names[0][0]));
    if (allowed.empty()) {
        out.push_back({rule, Verdict::NoRule, QStringLiteral("a competência não dá instrumento para o procedimento"),
                       checktables::kRegistro});
    } else if (std::find(allowed.begin(), allowed.end(), r.instrument) != allowed.end()) {
        out.push_back({rule, Verdict::Accepted, QStringLiteral("registrado em %1").arg(asked), checktables::kRegistro});
    } else {
        out.push_back({rule, Verdict::Refused,
                       QStringLiteral("o procedimento não se registra em %1; só em %2").arg(asked, joined(allowed)),
                       checktables::kRegistro});
    }
}

void checkSex(const CheckRecord& r, const Procedure& p, Rules& out)
{
    const QString rule = QStringLiteral("Sexo");
    const QString limit = qs(p.sex);
    if (p.sex == "I" || p.sex == "N") {
        out.push_back({rule, Verdict::NoRule,
                       p.sex == "I" ? QStringLiteral("TP_SEXO I: ambos os sexos") : QStringLiteral("TP_SEXO N: não se aplica"),
                       checktables::kSexo});
    } else if (p.sex != "M" && p.sex != "F") {
        out.push_back({rule, Verdict::NotChecked, QStringLiteral("TP_SEXO \"%1\" não está descrito no leiaute").arg(limit),
                       checktables::kSexo});
    } else if (r.sex.empty()) {
        out.push_back({rule, Verdict::NotChecked, QStringLiteral("o procedimento é só do sexo %1; informe o sexo").arg(limit),
                       checktables::kSexo});
    } else if (r.sex == p.sex) {
        out.push_back({rule, Verdict::Accepted, QStringLiteral("sexo %1, o do procedimento").arg(limit), checktables::kSexo});
    } else {
        out.push_back({rule, Verdict::Refused, QStringLiteral("o procedimento é só do sexo %1; o paciente é %2").arg(limit, qs(r.sex)),
                       checktables::kSexo});
    }
}

void checkAge(const CheckRecord& r, const Procedure& p, Rules& out)
{
    const QString rule = QStringLiteral("Idade");
    if (!p.minAge || !p.maxAge) {
        out.push_back({rule, Verdict::NotChecked,
                       QStringLiteral("o banco não guarda as idades em meses (carregue a competência de novo)"),
                       checktables::kIdade});
        return;
    }
    const bool hasMin = *p.minAge != kNoAgeLimit, hasMax = *p.maxAge != kNoAgeLimit;
    const QString range = QStringLiteral("de %1 a %2")
                              .arg(hasMin ? ageText(*p.minAge) : QStringLiteral("—"),
                                   hasMax ? ageText(*p.maxAge) : QStringLiteral("—"));
    if (!hasMin && !hasMax) {
        out.push_back({rule, Verdict::NoRule, QStringLiteral("9999: a idade não se aplica"), checktables::kIdade});
    } else if (!r.ageMonths) {
        out.push_back({rule, Verdict::NotChecked, QStringLiteral("idade %1; informe a idade").arg(range), checktables::kIdade});
    } else if ((hasMin && *r.ageMonths < *p.minAge) || (hasMax && *r.ageMonths > *p.maxAge)) {
        out.push_back({rule, Verdict::Refused,
                       QStringLiteral("%1 fora da idade %2").arg(ageText(*r.ageMonths), range), checktables::kIdade});
    } else {
        out.push_back({rule, Verdict::Accepted,
                       QStringLiteral("%1 dentro da idade %2").arg(ageText(*r.ageMonths), range), checktables::kIdade});
    }
}

void checkQuantity(const CheckRecord& r, const Procedure& p, Rules& out)
{
    const QString rule = QStringLiteral("Quantidade");
    const int asked = r.quantity.value_or(1);
    const QString given = r.quantity ? QString::number(asked) : QStringLiteral("1 (não informada)");
    if (!p.maxQuantity) {
        out.push_back({rule, Verdict::NotChecked, QStringLiteral("a competência não dá a quantidade máxima"),
                       checktables::kQuantidade});
    } else if (*p.maxQuantity == 9999) {
        out.push_back({rule, Verdict::NoRule, QStringLiteral("9999: sem quantidade máxima"), checktables::kQuantidade});
    } else if (asked > *p.maxQuantity) {
        out.push_back({rule, Verdict::Refused, QStringLiteral("quantidade %1 acima da máxima %2").arg(given).arg(*p.maxQuantity),
                       checktables::kQuantidade});
    } else {
        out.push_back({rule, Verdict::Accepted, QStringLiteral("quantidade %1 até a máxima %2").arg(given).arg(*p.maxQuantity),
                       checktables::kQuantidade});
    }
}

namespace {

// One CID of the record against the procedure's list.
RuleResult cidRule(Checker::Queries& q, const CheckRecord& r, const std::string& cid, bool principal)
{
    const QString rule = principal ? QStringLiteral("CID principal") : QStringLiteral("CID secundário %1").arg(qs(cid));
    if (q.rows(q.cidKnown, {{"c", cid}}).empty())
        return {rule, Verdict::Refused, QStringLiteral("o CID %1 não existe").arg(qs(cid)), checktables::kCidTable};
    const std::vector<Row> rows = q.rows(q.cidOne, {{"p", r.procedure}, {"c", cid}});
    if (rows.empty()) {
        if (principal)
            return {rule, Verdict::Refused, QStringLiteral("o CID %1 não está entre os do procedimento").arg(qs(cid)),
                    checktables::kCid};
        return {rule, Verdict::NotChecked,
                QStringLiteral("o CID %1 não está entre os do procedimento; a tabela só diz quais podem ser principais")
                    .arg(qs(cid)),
                checktables::kCid};
    }
    const std::string st = textOf(rows.front()[0]);
    if (st == "S")
        return {rule, Verdict::Accepted,
                QStringLiteral("o CID %1 é do procedimento%2").arg(qs(cid), principal ? QStringLiteral(" e pode ser principal") : QString()),
                checktables::kCid};
    if (st == "N")
        return principal ? RuleResult{rule, Verdict::Refused,
                                      QStringLiteral("o CID %1 é do procedimento, mas não pode ser principal (ST_PRINCIPAL N)").arg(qs(cid)),
                                      checktables::kCid}
                         : RuleResult{rule, Verdict::Accepted, QStringLiteral("o CID %1 é do procedimento (secundário)").arg(qs(cid)),
                                      checktables::kCid};
    return {rule, Verdict::NotChecked, QStringLiteral("ST_PRINCIPAL \"%1\" não está descrito no leiaute").arg(qs(st)),
            checktables::kCid};
}

} // namespace

void checkCids(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    const std::vector<Row> count = q.rows(q.cidCount, {{"p", r.procedure}});
    const std::int64_t listed = count.empty() ? 0 : numberOf(count[0][0]).value_or(0);
    if (listed == 0) {
        out.push_back({QStringLiteral("CID"), Verdict::NoRule, QStringLiteral("a competência não dá CID para o procedimento"),
                       checktables::kCid});
        return;
    }
    if (r.cids.empty()) {
        out.push_back({QStringLiteral("CID principal"), Verdict::NotChecked,
                       QStringLiteral("o procedimento pede um dos seus %1 CID; informe o CID principal").arg(listed),
                       checktables::kCid});
        return;
    }
    for (std::size_t i = 0; i < r.cids.size(); ++i) out.push_back(cidRule(q, r, r.cids[i], i == 0));
}

void checkCbo(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    const QString rule = QStringLiteral("CBO");
    const std::vector<Row> count = q.rows(q.cboCount, {{"p", r.procedure}});
    const std::int64_t listed = count.empty() ? 0 : numberOf(count[0][0]).value_or(0);
    if (listed == 0)
        out.push_back({rule, Verdict::NoRule, QStringLiteral("a competência não dá CBO para o procedimento"), checktables::kCbo});
    else if (r.cbo.empty())
        out.push_back({rule, Verdict::NotChecked,
                       QStringLiteral("o procedimento pede um dos seus %1 CBO; informe o CBO").arg(listed), checktables::kCbo});
    else if (q.rows(q.cboOne, {{"p", r.procedure}, {"c", r.cbo}}).empty())
        out.push_back({rule, Verdict::Refused, QStringLiteral("o CBO %1 não está entre os %2 do procedimento").arg(qs(r.cbo)).arg(listed),
                       checktables::kCbo});
    else
        out.push_back({rule, Verdict::Accepted, QStringLiteral("o CBO %1 é do procedimento").arg(qs(r.cbo)), checktables::kCbo});
}

void checkQualifications(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    const QString rule = QStringLiteral("Habilitação");
    // Each habilitação without a group is enough alone; a group's
    // habilitações are needed together; any one of these ways will do.
    std::vector<std::string> alone;
    std::map<std::string, std::vector<std::string>> groups;
    for (const Row& row : q.rows(q.hab, {{"p", r.procedure}})) {
        const std::string hab = textOf(row[0]), group = textOf(row[1]);
        if (group.empty()) alone.push_back(hab);
        else groups[group].push_back(hab);
    }
    if (alone.empty() && groups.empty()) {
        out.push_back({rule, Verdict::NoRule, QStringLiteral("o procedimento não pede habilitação"), checktables::kHabilitacao});
        return;
    }
    QStringList ways;
    if (!alone.empty()) ways << QStringLiteral("uma de %1").arg(joined(alone));
    for (const auto& [group, habs] : groups) ways << QStringLiteral("o grupo %1 (%2)").arg(qs(group), joined(habs));
    if (r.qualifications.empty()) {
        out.push_back({rule, Verdict::NotChecked, QStringLiteral("o procedimento pede %1; informe as habilitações da unidade")
                                                      .arg(ways.join(QStringLiteral(" ou "))),
                       checktables::kHabilitacao});
        return;
    }
    const std::set<std::string> held(r.qualifications.begin(), r.qualifications.end());
    for (const std::string& h : alone)
        if (held.count(h)) {
            out.push_back({rule, Verdict::Accepted, QStringLiteral("a unidade tem a habilitação %1").arg(qs(h)), checktables::kHabilitacao});
            return;
        }
    for (const auto& [group, habs] : groups)
        if (std::all_of(habs.begin(), habs.end(), [&](const std::string& h) { return held.count(h) > 0; })) {
            out.push_back({rule, Verdict::Accepted, QStringLiteral("a unidade tem todo o grupo %1 (%2)").arg(qs(group), joined(habs)),
                           checktables::kHabilitacao});
            return;
        }
    out.push_back({rule, Verdict::Refused,
                   QStringLiteral("a unidade não tem %1").arg(ways.join(QStringLiteral(" nem "))), checktables::kHabilitacao});
}

void checkServices(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    const QString rule = QStringLiteral("Serviço/classificação");
    std::vector<std::string> listed;
    for (const Row& row : q.rows(q.serv, {{"p", r.procedure}})) listed.push_back(textOf(row[0]) + "/" + textOf(row[1]));
    if (listed.empty()) {
        out.push_back({rule, Verdict::NoRule, QStringLiteral("o procedimento não pede serviço/classificação"), checktables::kServico});
        return;
    }
    if (r.services.empty()) {
        out.push_back({rule, Verdict::NotChecked,
                       QStringLiteral("o procedimento pede um de %1; informe os serviços da unidade").arg(joined(listed)),
                       checktables::kServico});
        return;
    }
    for (const ServiceClass& s : r.services) {
        const std::string pair = s.service + "/" + s.classification;
        if (std::find(listed.begin(), listed.end(), pair) != listed.end()) {
            out.push_back({rule, Verdict::Accepted, QStringLiteral("a unidade tem o serviço/classificação %1").arg(qs(pair)),
                           checktables::kServico});
            return;
        }
    }
    out.push_back({rule, Verdict::Refused,
                   QStringLiteral("a unidade não tem nenhum de %1").arg(joined(listed)), checktables::kServico});
}

} // namespace korvane
