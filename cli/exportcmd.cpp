// korvane-cli export: a list written to a CSV or XLSX file, the same table
// the terminal gets and the window's grid shows.

#include "consult.h"

#include "export/sheetfile.h"

#include <map>

namespace cli {

int exportList(const Context& context, const QStringList& args)
{
    QStringList rest;
    QString path;
    kexport::FileType type = kexport::FileType::Csv;
    for (int i = 0; i < args.size(); ++i) {
        const bool csv = args[i] == QLatin1String("--csv"), xlsx = args[i] == QLatin1String("--xlsx");
        if (!csv && !xlsx) {
            rest << args[i];
            continue;
        }
        if (!path.isEmpty()) throw UsageError("diga um arquivo só (--csv ARQUIVO ou --xlsx ARQUIVO)");
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) throw UsageError("falta o arquivo de " + args[i].toStdString());
        path = args[++i];
        type = csv ? kexport::FileType::Csv : kexport::FileType::Xlsx;
    }
    if (path.isEmpty()) throw UsageError("diga o arquivo: --csv ARQUIVO ou --xlsx ARQUIVO");
    if (rest.isEmpty()) throw UsageError("diga a lista: search, show, cid, cbo ou batch");
    const QString list = rest.takeFirst();
    using Table = kdata::Extract (*)(const Context&, const QStringList&);
    const std::map<QString, std::pair<Table, QString>> lists = {
        {QStringLiteral("search"), {searchTable, QStringLiteral("Procedimentos")}},
        {QStringLiteral("show"), {pageTable, QStringLiteral("Procedimento")}},
        {QStringLiteral("cid"), {[](const Context& c, const QStringList& a) { return lookupTable(c, a, korvane::LookupKind::Cid10); },
                                 QStringLiteral("CID10")}},
        {QStringLiteral("cbo"), {[](const Context& c, const QStringList& a) { return lookupTable(c, a, korvane::LookupKind::Cbos); },
                                 QStringLiteral("CBOS")}},
        {QStringLiteral("batch"), {[](const Context& c, const QStringList& a) { return batchTable(c, a); },
                                   QStringLiteral("Lista de códigos")}},
    };
    const auto it = lists.find(list);
    if (it == lists.end()) throw UsageError("lista desconhecida: " + list.toStdString() + " (search, show, cid, cbo ou batch)");
    const kdata::Extract table = it->second.first(context, rest);
    kexport::writeTable(table, path, type, it->second.second);
    return 0;
}

} // namespace cli
