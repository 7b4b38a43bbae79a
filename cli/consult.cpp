#include "consult.h"

#include "core/text.h"
#include "export/csv.h"
#include "model/browser.h"
#include "model/codebatch.h"
#include "model/lookupmodel.h"
#include "model/reportdata.h"

#include <QFile>

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

kdata::Extract searchTable(const Context& context, const QStringList& args)
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
    return kdata::extract(*m->qryTbProc(), korvane::BrowserModel::listColumns());
}

int search(const Context& context, const QStringList& args)
{
    Writer(context.format, stdout).list(searchTable(context, args));
    return 0;
}

namespace {

// The browser on the procedure of the code, as a person reaches it: the code
// searched, its row chosen in the list.
std::unique_ptr<korvane::BrowserModel> browserOn(const Context& context, const std::string& code)
{
    auto m = openBrowser(context);
    m->handBack(QString::fromStdString(code));
    kdata::Selection* list = m->qryTbProc();
    long row = -1;
    for (std::size_t r = 0; r < list->recordCount() && row < 0; ++r)
        if (korvane::trimmedCopy(list->value(r, QStringLiteral("PROC_COD")).toString()) == code) row = static_cast<long>(r);
    if (row < 0) throw std::runtime_error("procedimento " + code + " não encontrado");
    list->moveTo(static_cast<std::size_t>(row));
    return m;
}

const korvane::BrowserPage& pageNamed(const korvane::BrowserModel& m, const QString& name)
{
    for (const korvane::BrowserPage& p : m.pages())
        if (name == QString::fromLatin1(p.key) || name == QString::fromUtf8(p.caption)) return p;
    throw UsageError("página desconhecida: " + name.toStdString());
}

} // namespace

kdata::Extract pageTable(const Context& context, const QStringList& args)
{
    const Words w = split(args, {QStringLiteral("--page")});
    const std::string code = korvane::SearchText::parse(oneText(w, "código de procedimento")).code;
    const auto page = w.options.find(QStringLiteral("--page"));
    if (page == w.options.end()) throw UsageError("diga a página (--page PÁGINA)");
    auto m = browserOn(context, code);
    const korvane::BrowserPage& p = pageNamed(*m, page->second);
    return kdata::extract(*p.dataSet, p.columns);
}

int show(const Context& context, const QStringList& args)
{
    const Words w = split(args, {QStringLiteral("--page")});
    if (w.options.count(QStringLiteral("--page"))) {
        Writer(context.format, stdout).list(pageTable(context, args));
        return 0;
    }
    const std::string code = korvane::SearchText::parse(oneText(w, "código de procedimento")).code;
    auto m = browserOn(context, code);
    kdata::Selection* list = m->qryTbProc();
    const auto& pages = m->pages();
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

kdata::Extract lookupTable(const Context& context, const QStringList& args, korvane::LookupKind kind)
{
    const QString text = oneText(split(args, {}), "texto a pesquisar (entre aspas se tiver espaços)");
    korvane::BrowserModel m(context.database);
    if (!context.competencia.empty()) m.setCompetencia(context.competencia);
    korvane::LookupModel lookup(kind, m.connection());
    lookup.open();
    lookup.search(text);
    std::vector<QString> fields;
    for (const kdata::FieldDef& d : lookup.definition().codeColumns) fields.push_back(d.name);
    return kdata::extract(*lookup.codes(), fields);
}

int cid(const Context& context, const QStringList& args)
{
    Writer(context.format, stdout).list(lookupTable(context, args, korvane::LookupKind::Cid10));
    return 0;
}

int cbo(const Context& context, const QStringList& args)
{
    Writer(context.format, stdout).list(lookupTable(context, args, korvane::LookupKind::Cbos));
    return 0;
}

kdata::Extract batchTable(const Context& context, const QStringList& args, QString* note)
{
    const Words w = split(args, {QStringLiteral("--comparar")});
    const QString file = oneText(w, "arquivo de códigos (- para a entrada padrão)");
    korvane::BrowserModel m(context.database);
    korvane::CodeBatch batch(std::make_unique<korvane::LoadedRelease>(m.connection()));
    batch.open();
    if (file == QLatin1String("-")) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) throw std::runtime_error("não foi possível ler a entrada padrão");
        batch.setCodes(korvane::codesInCells(kexport::parseCsv(in.readAll())));
    } else {
        batch.openFile(file);
    }
    if (auto it = w.options.find(QStringLiteral("--comparar")); it != w.options.end())
        batch.compareWith(korvane::competenciaOf(it->second));
    if (note)
        *note = QStringLiteral("Competência %1: %2 códigos, %3 não encontrados")
                    .arg(korvane::competenciaShown(batch.competencia()))
                    .arg(batch.codes().size())
                    .arg(batch.notFound());
    return kdata::extract(*batch.cdsCodigos(), korvane::CodeBatch::columns());
}

int batch(const Context& context, const QStringList& args)
{
    QString note;
    const kdata::Extract table = batchTable(context, args, &note);
    Writer(context.format, stdout).list(table);
    // What a person reads beside the table; scripts take the table alone.
    if (context.format == Format::Human) std::fprintf(stderr, "%s\n", note.toUtf8().constData());
    return 0;
}

} // namespace cli
