// korvane-cli: the consultation, the loading of releases and the database
// from a terminal, over the same core as the windows.
//
//   korvane-cli [--database PATH] [--csv|--json] COMMAND [ARGS]

#include "cli/check.h"
#include "cli/consult.h"
#include "cli/history.h"
#include "cli/lifecycle.h"
#include "cli/release.h"
#include "core/enginefailure.h"
#include "core/settingpath.h"
#include "core/termination.h"
#include "korvane_config.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <map>

namespace {

const char* const kHelp =
    "uso: korvane-cli [--database CAMINHO] [--competencia AAAAMM] [--csv|--json] COMANDO [ARGUMENTOS]\n"
    "\n"
    "Consulta a Tabela Unificada de Procedimentos do SUS (SIGTAP) no banco do Korvane.\n"
    "\n"
    "comandos:\n"
    "  search TEXTO [--grupo G] [--subgrupo S] [--forma F]   a lista de procedimentos\n"
    "  show CÓDIGO [--page PÁGINA]     um procedimento: valores, limites e cada lista ligada\n"
    "  cid TEXTO                       diagnósticos CID-10 por código ou nome\n"
    "  cbo TEXTO                       ocupações CBO por código ou nome\n"
    "  check --competencia AAAAMM --instrumento CÓDIGO --procedimento CÓDIGO [--quantidade N]\n"
    "        [--idade ANOS[,MESES]] [--sexo M|F] [--cid CÓDIGO]... [--cbo CÓDIGO] [--habilitacao CÓDIGO]...\n"
    "        [--servico SSS/CCC]... [--secundario CÓDIGO[:QTD]]...\n"
    "                                  se a linha seria aceita: o veredito e cada regra (o primeiro --cid é o principal)\n"
    "  competencias                    as competências guardadas no banco\n"
    "  history CÓDIGO                  um procedimento em cada competência guardada: valores, listas, mudanças\n"
    "  diff A B [--grupo G] [--subgrupo S] [--forma F] [--codigos LISTA|ARQUIVO]\n"
    "                                  o que mudou da competência A para a B (--csv: arquivo;mudanca;codigo;chave;campo;antes;depois)\n"
    "  batch ARQUIVO [--comparar AAAAMM]\n"
    "                                  uma lista de códigos (XLSX, CSV ou texto; - lê a entrada padrão):\n"
    "                                  nome, valores, financiamento, complexidade, instrumentos e situação\n"
    "  export LISTA ... --csv ARQUIVO | --xlsx ARQUIVO\n"
    "                                  grava em planilha a lista de search, show --page, cid, cbo ou batch\n"
    "  createdb PASTA|ZIP              cria o banco a partir de uma versão da tabela\n"
    "  update PASTA|ZIP                carrega uma versão da tabela (tudo ou nada); uma pasta de zips carrega cada um\n"
    "  download [--competencia AAAAMM | --ultimas N] [--from URL] [--to PASTA] [--load]\n                                  baixa do DATASUS a versão mais nova (ou a pedida, ou as N mais novas); --load as carrega\n"
    "\n"
    "opções:\n"
    "  --database CAMINHO   o banco (padrão: %s)\n"
    "  --competencia AAAAMM a competência consultada, entre as guardadas no banco (padrão: a mais nova)\n"
    "                       servidor:/caminho/KORVANE.GDB usa um servidor Firebird\n"
    "  --csv                uma linha de títulos, depois uma linha por resultado; ';' entre campos; UTF-8\n"
    "  --json               JSON\n"
    "  --help               esta ajuda\n"
    "\n"
    "Saída 0 quando deu certo; 1 quando falhou (a razão sai em stderr); 2 quando o comando está errado;\n"
    "128 mais o número do sinal quando SIGTERM, SIGINT ou SIGHUP o interrompeu (uma carga é desfeita).\n";

using Command = int (*)(const cli::Context&, const QStringList&);

} // namespace

int main(int argc, char** argv)
{
    korvane::takeTerminationSignals();
    QCoreApplication app(argc, argv);
    cli::Context context;
    context.database = korvane::settingPath(KORVANE_DATABASE_FILE);
    bool ownDatabase = true;
    QStringList words;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::printf(kHelp, context.database.c_str());
            return 0;
        }
        // After export, --csv and --xlsx name the file it writes.
        const bool exporting = !words.isEmpty() && words.front() == QLatin1String("export");
        if (exporting && (a == QLatin1String("--csv") || a == QLatin1String("--xlsx"))) words << a;
        else if (a == QLatin1String("--csv")) context.format = cli::Format::Csv;
        else if (a == QLatin1String("--json")) context.format = cli::Format::Json;
        else if (a == QLatin1String("--competencia") && i + 1 < args.size()) context.competencia = args[++i].toStdString();
        else if (a == QLatin1String("--database") && i + 1 < args.size()) {
            context.database = args[++i].toStdString();
            ownDatabase = false;
        }
        else words << a;
    }
    const std::map<QString, Command> commands = {
        {QStringLiteral("search"), cli::search}, {QStringLiteral("show"), cli::show},
        {QStringLiteral("cid"), cli::cid},       {QStringLiteral("cbo"), cli::cbo},
        {QStringLiteral("createdb"), cli::createdb}, {QStringLiteral("update"), cli::update},
        {QStringLiteral("download"), cli::download}, {QStringLiteral("check"), cli::check},
        {QStringLiteral("history"), cli::history},   {QStringLiteral("diff"), cli::diff},
        {QStringLiteral("competencias"), cli::competencias},
        {QStringLiteral("batch"), cli::batch},       {QStringLiteral("export"), cli::exportList},
    };
    if (words.isEmpty()) {
        std::fprintf(stderr, kHelp, context.database.c_str());
        return 2;
    }
    const auto command = commands.find(words.takeFirst());
    try {
        if (command == commands.end()) throw cli::UsageError("comando desconhecido (veja korvane-cli --help)");
        // The download's competência is the month to fetch; the check's, the
        // month of the record (it also consults that competência).
        if ((command->first == QLatin1String("download") || command->first == QLatin1String("check")) &&
            !context.competencia.empty())
            words << QStringLiteral("--competencia") << QString::fromStdString(context.competencia);
        if (ownDatabase && cli::consults(command->first)) cli::firstStart(context);
        return command->second(context, words);
    } catch (const cli::UsageError& e) {
        std::fprintf(stderr, "korvane-cli: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane-cli: %s\n", korvane::explainedFailure(e.what()).c_str());
        return cli::failureStatus();
    }
}
