// check: whether one line of a record would be accepted, rule by rule, by
// the same checker the VERIFICAR window asks.

#include "check.h"

#include "core/text.h"
#include "model/browser.h"
#include "model/check.h"

#include <map>

namespace cli {
namespace {

using korvane::Verdict;

const QStringList kSingle = {QStringLiteral("--competencia"), QStringLiteral("--instrumento"),
                             QStringLiteral("--procedimento"), QStringLiteral("--quantidade"), QStringLiteral("--idade"),
                             QStringLiteral("--sexo"),        QStringLiteral("--cbo")};
const QStringList kRepeated = {QStringLiteral("--cid"), QStringLiteral("--habilitacao"), QStringLiteral("--servico"),
                               QStringLiteral("--secundario")};

std::map<QString, QStringList> options(const QStringList& args)
{
    std::map<QString, QStringList> out;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!kSingle.contains(a) && !kRepeated.contains(a))
            throw UsageError((a.startsWith(QLatin1String("--")) ? "opção desconhecida: " : "palavra a mais: ") + a.toStdString());
        if (i + 1 >= args.size()) throw UsageError("falta o valor de " + a.toStdString());
        if (kSingle.contains(a) && out.count(a)) throw UsageError(a.toStdString() + " vem uma vez só");
        out[a] << args[++i];
    }
    for (const char* needed : {"--competencia", "--instrumento", "--procedimento"})
        if (!out.count(QString::fromLatin1(needed))) throw UsageError(std::string("falta ") + needed);
    return out;
}

[[noreturn]] void wrong(const QString& option, const QString& value, const char* shape)
{
    throw UsageError(option.toStdString() + " " + value.toStdString() + ": " + shape);
}

std::string digitsCode(const QString& option, const QString& value, std::size_t width, const char* shape)
{
    std::string code = korvane::typedCode(value);
    if (width == 2 && code.size() == 1) code.insert(0, "0");
    if (code.size() != width || code.find_first_not_of("0123456789") != std::string::npos) wrong(option, value, shape);
    return code;
}

korvane::CheckRecord recordOf(const std::map<QString, QStringList>& o)
{
    const auto one = [&](const char* name) { return o.at(QString::fromLatin1(name)).front(); };
    const auto all = [&](const char* name) {
        const auto it = o.find(QString::fromLatin1(name));
        return it == o.end() ? QStringList() : it->second;
    };
    korvane::CheckRecord r;
    const auto competencia = korvane::parseCompetencia(one("--competencia"));
    if (!competencia) wrong(QStringLiteral("--competencia"), one("--competencia"), "diga AAAAMM");
    r.competencia = *competencia;
    r.instrument = digitsCode(QStringLiteral("--instrumento"), one("--instrumento"), 2, "diga o código do instrumento (01 a 10)");
    r.procedure = digitsCode(QStringLiteral("--procedimento"), one("--procedimento"), 10, "diga os 10 dígitos do procedimento");
    if (o.count(QStringLiteral("--quantidade"))) {
        bool ok = false;
        r.quantity = one("--quantidade").toInt(&ok);
        if (!ok || *r.quantity < 1) wrong(QStringLiteral("--quantidade"), one("--quantidade"), "diga um número de 1 em diante");
    }
    if (o.count(QStringLiteral("--idade"))) {
        r.ageMonths = korvane::parseAge(one("--idade"));
        if (!r.ageMonths) wrong(QStringLiteral("--idade"), one("--idade"), "diga ANOS ou ANOS,MESES (meses de 0 a 11)");
    }
    if (o.count(QStringLiteral("--sexo"))) {
        r.sex = one("--sexo").trimmed().toUpper().toStdString();
        if (r.sex != "M" && r.sex != "F") wrong(QStringLiteral("--sexo"), one("--sexo"), "diga M ou F");
    }
    for (const QString& c : all("--cid")) r.cids.push_back(korvane::typedCode(c));
    if (o.count(QStringLiteral("--cbo"))) r.cbo = digitsCode(QStringLiteral("--cbo"), one("--cbo"), 6, "diga os 6 dígitos do CBO");
    for (const QString& h : all("--habilitacao"))
        r.qualifications.push_back(digitsCode(QStringLiteral("--habilitacao"), h, 4, "diga os 4 dígitos da habilitação"));
    for (const QString& s : all("--servico")) {
        const auto pair = korvane::parseServiceClass(s);
        if (!pair) wrong(QStringLiteral("--servico"), s, "diga SSS/CCC");
        r.services.push_back(*pair);
    }
    for (const QString& s : all("--secundario")) {
        const auto line = korvane::parseSecondary(s);
        if (!line) wrong(QStringLiteral("--secundario"), s, "diga CÓDIGO ou CÓDIGO:QUANTIDADE");
        r.secondaries.push_back(*line);
    }
    return r;
}

kdb::Value stored(const QString& text) { return kdb::Value(korvane::toWin1252(text)); }

// The rules as a list: for JSON each verdict by its key, for a person and
// CSV as it is shown.
kdata::Extract rulesList(const korvane::CheckResult& result, bool withOverall)
{
    using Kind = kdata::ExtractColumn::Kind;
    kdata::Extract t;
    t.columns = {{QStringLiteral("REGRA"), QStringLiteral("Regra"), Kind::Text},
                 {QStringLiteral("VEREDITO"), QStringLiteral("Veredito"), Kind::Text},
                 {QStringLiteral("MOTIVO"), QStringLiteral("Motivo"), Kind::Text},
                 {QStringLiteral("TABELA"), QStringLiteral("Tabela"), Kind::Text}};
    const auto add = [&](const QString& rule, Verdict v, const QString& reason, const QString& table) {
        t.values.push_back({stored(rule), kdb::Value(korvane::verdictKey(v)), stored(reason), stored(table)});
        t.shown.push_back({rule, korvane::verdictShown(v), reason, table});
    };
    if (withOverall) add(QStringLiteral("Veredito"), result.overall, QString(), QString());
    for (const korvane::RuleResult& r : result.rules) add(r.rule, r.verdict, r.reason, r.table);
    return t;
}

} // namespace

int check(const Context& context, const QStringList& args)
{
    const korvane::CheckRecord record = recordOf(options(args));
    korvane::BrowserModel m(context.database);
    korvane::Checker checker(m.connection());
    // A competência or instrument the database lacks is a failure (status 1).
    const korvane::CheckResult result = checker.check(record);
    Writer out(context.format, stdout);
    if (context.format == Format::Csv) {
        out.list(rulesList(result, true));
        return 0;
    }
    const bool json = context.format == Format::Json;
    const QString overall = json ? QString::fromLatin1(korvane::verdictKey(result.overall)) : korvane::verdictShown(result.overall);
    out.record({{QStringLiteral("veredito"), QStringLiteral("Veredito:"), overall, {}}},
               {{json ? QStringLiteral("regras") : QStringLiteral("Regras"), rulesList(result, false)}});
    return 0;
}

} // namespace cli
