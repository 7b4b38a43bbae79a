#include "consult.h"

#include "core/text.h"
#include "model/browser.h"
#include "model/lookupmodel.h"
#include "model/reportdata.h"

namespace cli {

Words split(const QStringList& args, const QStringList& known)
{
    Words w;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            if (!known.contains(a)) throw UsageError("opção desconhecida: " + a.toStdString());
            if (i + 1 >= args.size()) throw UsageError("falta o valor de " + a.toStdString());
            w.options[a] = args[++i];
        } else {
            w.positional << a;
        }
    }
    return w;
}

namespace {

using korvane::Level;

QString oneText(const Words& w, const char* what)
{
    if (w.positional.size() != 1) throw UsageError(std::string("diga um ") + what);
    return w.positional.front();
}

// A level chosen as a person chooses it: its entry picked in the lookup,
// then the step that follows.
void chooseLevel(korvane::BrowserModel& m, Level level, const QString& code)
{
    static const char* const codeFields[] = {"CODIGO", "SUBGRUPO", "FO"};
    static const char* const names[] = {"grupo", "subgrupo", "forma de organização"};
    korvane::LookupChoice& c = m.choice(level);
    kdata::RecordSet* list = c.list();
    const std::string wanted = korvane::trimmedCopy(korvane::toWin1252(code)).insert(0, code.size() == 1 ? "0" : "");
    if (list->isOpen()) {
        list->fetchAll();
        for (std::size_t r = 0; r < list->recordCount(); ++r)
            if (korvane::trimmedCopy(list->value(r, QString::fromLatin1(codeFields[static_cast<int>(level)])).toString()) ==
                wanted) {
                c.choose(r);
                m.levelStep(level);
                return;
            }
    }
    throw std::runtime_error(std::string(names[static_cast<int>(level)]) + " " + code.toStdString() + " não existe" +
                             (level == Level::Grupo ? "" : " no nível acima"));
}

std::unique_ptr<korvane::BrowserModel> openBrowser(const Context& context)
{
    auto m = std::make_unique<korvane::BrowserModel>(context.database);
    if (!context.competencia.empty()) m->setCompetencia(context.competencia);
    m->open();
    return m;
}

} // namespace

int search(const Context& context, const QStringList& args)
{
    const Words w = split(args, {QStringLiteral("--grupo"), QStringLiteral("--subgrupo"), QStringLiteral("--forma")});
    const QString text = oneText(w, "texto a pesquisar (entre aspas se tiver espaços)");
    if ((w.options.count(QStringLiteral("--subgrupo")) && !w.options.count(QStringLiteral("--grupo"))) ||
        (w.options.count(QStringLiteral("--forma")) && !w.options.count(QStringLiteral("--subgrupo"))))
        throw UsageError("--subgrupo pede --grupo, e --forma pede --subgrupo");
    auto m = openBrowser(context);
    const std::pair<const char*, Level> levels[] = {
        {"--grupo", Level::Grupo}, {"--subgrupo", Level::SubGrupo}, {"--forma", Level::Fo}};
    for (const auto& [option, level] : levels)
        if (auto it = w.options.find(QString::fromLatin1(option)); it != w.options.end()) chooseLevel(*m, level, it->second);
    m->handBack(text);
    Writer(context.format, stdout).list(kdata::extract(*m->qryTbProc(), korvane::BrowserModel::listColumns()));
    return 0;
}

int show(const Context& context, const QStringList& args)
{
    const Words w = split(args, {QStringLiteral("--page")});
    const std::string code = korvane::SearchText::parse(oneText(w, "código de procedimento")).code;
    auto m = openBrowser(context);
    m->handBack(QString::fromStdString(code));
    kdata::Selection* list = m->qryTbProc();
    long row = -1;
    for (std::size_t r = 0; r < list->recordCount() && row < 0; ++r)
        if (korvane::trimmedCopy(list->value(r, QStringLiteral("PROC_COD")).toString()) == code) row = static_cast<long>(r);
    if (row < 0) throw std::runtime_error("procedimento " + code + " não encontrado");
    list->moveTo(static_cast<std::size_t>(row));

    const auto& pages = m->pages();
    if (auto it = w.options.find(QStringLiteral("--page")); it != w.options.end()) {
        for (const korvane::BrowserPage& p : pages)
            if (it->second == QString::fromLatin1(p.key) || it->second == QString::fromUtf8(p.caption)) {
                Writer(context.format, stdout).list(kdata::extract(*p.dataSet, p.columns));
                return 0;
            }
        throw UsageError("página desconhecida: " + it->second.toStdString());
    }
    std::vector<Field> fields = {
        {QStringLiteral("proc_cod"), QStringLiteral("Código:"), korvane::fromWin1252(code), kdb::Value(code)},
        {QStringLiteral("proc_descr"), QStringLiteral("Descrição:"), list->currentText(QStringLiteral("PROC_DESCR")), {}},
    };
    for (const korvane::DetailValue& v : korvane::BrowserModel::detailValues()) {
        const QString field = QString::fromLatin1(v.field);
        const bool financing = field == QLatin1String("FINANC_DESCR");
        fields.push_back({field.toLower(), QString::fromUtf8(v.label),
                          financing ? m->financingShown() : list->currentText(field),
                          financing ? kdb::Value() : list->field(field)});
    }
    const kdb::Value complexity = list->field(QStringLiteral("PROC_COMPLEX"));
    fields.push_back({QStringLiteral("complexidade"), QStringLiteral("Complexidade:"),
                      korvane::fromWin1252(korvane::complexidade(complexity)), {}});
    std::vector<std::pair<QString, kdata::Extract>> lists;
    for (const korvane::BrowserPage& p : pages)
        lists.emplace_back(context.format == Format::Json ? QString::fromLatin1(p.key) : QString::fromUtf8(p.caption),
                           kdata::extract(*p.dataSet, p.columns));
    Writer(context.format, stdout).record(fields, lists);
    return 0;
}

namespace {

int lookup(const Context& context, const QStringList& args, korvane::LookupKind kind)
{
    const QString text = oneText(split(args, {}), "texto a pesquisar (entre aspas se tiver espaços)");
    korvane::BrowserModel m(context.database);
    if (!context.competencia.empty()) m.setCompetencia(context.competencia);
    korvane::LookupModel lookup(kind, m.connection());
    lookup.open();
    lookup.search(text);
    std::vector<QString> fields;
    for (const kdata::FieldDef& d : lookup.definition().codeColumns) fields.push_back(d.name);
    Writer(context.format, stdout).list(kdata::extract(*lookup.codes(), fields));
    return 0;
}

} // namespace

int cid(const Context& context, const QStringList& args) { return lookup(context, args, korvane::LookupKind::Cid10); }

int cbo(const Context& context, const QStringList& args) { return lookup(context, args, korvane::LookupKind::Cbos); }

} // namespace cli
