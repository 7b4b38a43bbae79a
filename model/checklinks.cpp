// The rules between the procedures of one record: compatibility of each
// secondary with the principal and the incompatibilities among them, the
// exceptions that lift one or the other, and the conditioned rules the
// clerk must confirm.

#include "checkrules.h"

#include <QStringList>

#include <algorithm>
#include <set>

namespace korvane {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

struct Link {
    std::string regA, regB, type;
    std::int64_t allowed = 0;
};

std::vector<Link> links(Checker::Queries& q, const std::string& a, const std::string& b)
{
    std::vector<Link> out;
    for (const Row& row : q.rows(q.comp, {{"a", a}, {"b", b}}))
        out.push_back({textOf(row[0]), textOf(row[1]), textOf(row[2]), numberOf(row[3]).value_or(0)});
    return out;
}

// The procedure of the record whose exception denies the link, if any.
std::optional<std::string> exceptionFor(Checker::Queries& q, const std::string& a, const std::string& b, const Link& link,
                                        const std::set<std::string>& inRecord)
{
    if (!q.exceptions) return std::nullopt;
    for (const Row& row : q.rows(*q.exceptions, {{"a", a}, {"b", b}})) {
        const std::string restriction = textOf(row[0]);
        if (textOf(row[1]) == link.regA && textOf(row[2]) == link.regB && textOf(row[3]) == link.type &&
            inRecord.count(restriction))
            return restriction;
    }
    return std::nullopt;
}

struct Findings {
    bool anyException = false;
    QString tables() const
    {
        return anyException ? checktables::kCompativel + QStringLiteral(", ") + checktables::kExcecao : checktables::kCompativel;
    }
};

RuleResult secondaryRule(Checker::Queries& q, const CheckRecord& r, const SecondaryLine& s,
                         const std::set<std::string>& inRecord, Findings& found)
{
    const QString rule = QStringLiteral("Compatibilidade %1").arg(qs(s.code));
    if (!readProcedure(q, s.code))
        return {rule, Verdict::Refused, QStringLiteral("o procedimento %1 não existe na competência").arg(qs(s.code)),
                checktables::kProc};
    std::vector<Link> kept, denied;
    QString deniedBy;
    for (const Link& l : links(q, r.procedure, s.code)) {
        if (l.regA != r.instrument) continue;
        if (const auto by = exceptionFor(q, r.procedure, s.code, l, inRecord)) {
            denied.push_back(l);
            deniedBy = qs(*by);
            found.anyException = true;
        } else {
            kept.push_back(l);
        }
    }
    const auto ofType = [&](const char* t) {
        return std::find_if(kept.begin(), kept.end(), [t](const Link& l) { return l.type == t; }) != kept.end();
    };
    const QString pair = QStringLiteral("%1 (%2) e %3").arg(qs(r.procedure), qs(r.instrument), qs(s.code));
    if (ofType("2"))
        return {rule, Verdict::Refused, QStringLiteral("%1 são incompatíveis/excludentes (TP_COMPATIBILIDADE 2)").arg(pair),
                found.tables()};
    if (ofType("1")) {
        std::int64_t most = 0;
        for (const Link& l : kept)
            if (l.type == "1") most = std::max(most, l.allowed);
        if (s.quantity > most)
            return {rule, Verdict::Refused,
                    QStringLiteral("%1 são compatíveis até %2; a quantidade é %3").arg(pair).arg(most).arg(s.quantity),
                    found.tables()};
        return {rule, Verdict::Accepted,
                QStringLiteral("%1 são compatíveis, quantidade %2 até %3").arg(pair).arg(s.quantity).arg(most), found.tables()};
    }
    if (!kept.empty())
        return {rule, Verdict::NotChecked,
                QStringLiteral("%1: TP_COMPATIBILIDADE %2, que o leiaute não diz valer no mesmo registro (3 concomitante) ou não descreve")
                    .arg(pair, qs(kept.front().type)),
                found.tables()};
    if (!denied.empty() && denied.front().type == "1")
        return {rule, Verdict::Refused,
                QStringLiteral("%1 seriam compatíveis, mas a exceção do procedimento %2 nega").arg(pair, deniedBy), found.tables()};
    if (!denied.empty())
        return {rule, Verdict::NotChecked,
                QStringLiteral("a exceção do procedimento %1 tira a incompatibilidade de %2; a competência não dá outra")
                    .arg(deniedBy, pair),
                found.tables()};
    return {rule, Verdict::NotChecked,
            QStringLiteral("a competência não dá compatibilidade entre %1").arg(pair), checktables::kCompativel};
}

// Two secondaries the release says exclude each other, in either order.
void pairRules(Checker::Queries& q, const CheckRecord& r, const std::set<std::string>& inRecord, Findings& found, Rules& out)
{
    for (std::size_t i = 0; i < r.secondaries.size(); ++i)
        for (std::size_t j = i + 1; j < r.secondaries.size(); ++j) {
            const std::string& a = r.secondaries[i].code;
            const std::string& b = r.secondaries[j].code;
            if (a == b) continue;
            for (const auto& [x, y] : {std::pair(a, b), std::pair(b, a)})
                for (const Link& l : links(q, x, y)) {
                    if (l.type != "2") continue;
                    const QString rule = QStringLiteral("Incompatibilidade %1 × %2").arg(qs(x), qs(y));
                    if (const auto by = exceptionFor(q, x, y, l, inRecord)) {
                        found.anyException = true;
                        out.push_back({rule, Verdict::Accepted,
                                       QStringLiteral("%1 (%2) e %3 (%4) são incompatíveis, mas a exceção do procedimento %5 permite")
                                           .arg(qs(x), qs(l.regA), qs(y), qs(l.regB), qs(*by)),
                                       found.tables()});
                    } else {
                        out.push_back({rule, Verdict::Refused,
                                       QStringLiteral("%1 (%2) e %3 (%4) são incompatíveis/excludentes (TP_COMPATIBILIDADE 2)")
                                           .arg(qs(x), qs(l.regA), qs(y), qs(l.regB)),
                                       checktables::kCompativel});
                    }
                }
        }
}

} // namespace

void checkCompatibility(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    if (r.secondaries.empty()) {
        out.push_back({QStringLiteral("Compatibilidade"), Verdict::NoRule,
                       QStringLiteral("o registro não tem outros procedimentos"), checktables::kCompativel});
        return;
    }
    std::set<std::string> inRecord{r.procedure};
    for (const SecondaryLine& s : r.secondaries) inRecord.insert(s.code);
    Findings found;
    for (const SecondaryLine& s : r.secondaries) out.push_back(secondaryRule(q, r, s, inRecord, found));
    pairRules(q, r, inRecord, found, out);
    const QString rule = QStringLiteral("Exceções de compatibilidade");
    if (!q.exceptions)
        out.push_back({rule, Verdict::NotChecked,
                       QStringLiteral("o banco não tem a tabela %1; carregue uma competência com ela").arg(qs(kExceptionTable)),
                       checktables::kExcecao});
    else if (!found.anyException)
        out.push_back({rule, Verdict::NoRule, QStringLiteral("nenhuma exceção alcança os procedimentos do registro"),
                       checktables::kExcecao});
}

void checkConditioned(Checker::Queries& q, const CheckRecord& r, Rules& out)
{
    if (!q.conditioned) {
        out.push_back({QStringLiteral("Regras condicionadas"), Verdict::NotChecked,
                       QStringLiteral("o banco não tem as tabelas %1 e %2; carregue uma competência com elas")
                           .arg(qs(kConditionedLinkTable), qs(kConditionedTable)),
                       checktables::kRegraCond});
        return;
    }
    std::vector<std::string> codes{r.procedure};
    for (const SecondaryLine& s : r.secondaries)
        if (std::find(codes.begin(), codes.end(), s.code) == codes.end()) codes.push_back(s.code);
    bool any = false;
    for (const std::string& code : codes)
        for (const Row& row : q.rows(*q.conditioned, {{"p", code}})) {
            any = true;
            const QString name = shownOf(row[1]), text = shownOf(row[2]);
            QString reason = QStringLiteral("%1 %2").arg(shownOf(row[0]), name.isEmpty() ? QStringLiteral("(sem nome)") : name);
            if (!text.isEmpty()) reason += QStringLiteral(": ") + text.simplified();
            out.push_back({QStringLiteral("Regra condicionada %1").arg(qs(code)), Verdict::Confirm,
                           QStringLiteral("confirme: ") + reason, checktables::kRegraCond});
        }
    if (!any)
        out.push_back({QStringLiteral("Regras condicionadas"), Verdict::NoRule,
                       QStringLiteral("nenhuma regra condicionada para os procedimentos do registro"), checktables::kRegraCond});
}

} // namespace korvane
