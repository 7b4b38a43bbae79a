#include "releasecheck.h"

#include "core/text.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/history.h"
#include "update/releaseinfo.h"

namespace korvane {
namespace {

[[noreturn]] void fail(const ReleaseFile& file, std::size_t line, const std::string& what)
{
    throw UpdateError("Arquivo \"" + file.path + "\", linha " + std::to_string(line) + ": " + what);
}

// Release bytes quoted in a message: UTF-8, control bytes made visible.
std::string shown(std::string_view releaseBytes)
{
    std::string bytes(releaseBytes);
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    return fromWin1252(bytes).toStdString();
}

bool validCompetencia(std::string_view s)
{
    if (s.size() != 6) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    const int year = std::stoi(std::string(s.substr(0, 4)));
    const int month = std::stoi(std::string(s.substr(4, 2)));
    return year >= 1990 && year <= 2100 && month >= 1 && month <= 12;
}

std::string layoutInUse(const ResolvedLayout& layout)
{
    if (!layout.layoutFilePath.empty()) return "o de \"" + layout.layoutFilePath + "\"";
    return "as posições fixas, sem " + layoutFileName(layout.layout->fileName);
}

std::string tooLong(const ResolvedLayout& layout, std::size_t size)
{
    std::string what = "a linha tem " + std::to_string(size) + " caracteres, mas o layout em uso (" + layoutInUse(layout) +
                       ") tem " + std::to_string(layout.recordLength);
    if (layout.layoutFilePath.empty()) what += "; faltam os arquivos *_layout.txt desta versão?";
    return what;
}

std::string cutShort(const ResolvedLayout& layout, std::size_t size)
{
    const FieldCut c = layout.competencia;
    return "a linha tem " + std::to_string(size) + " caracteres e termina antes da competência, que o layout em uso (" +
           layoutInUse(layout) + ") põe nos caracteres " + std::to_string(c.offset + 1) + " a " +
           std::to_string(c.offset + c.length) + "; a linha está cortada ou o layout não é o desta versão";
}

std::string_view trimmedEnd(std::string_view line)
{
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) line.remove_suffix(1);
    return line;
}

} // namespace

void ReleaseChecks::check(const ResolvedLayout& layout, const ReleaseFile& file)
{
    if (layout.layout->step == kProcedureStep && file.lines.empty())
        throw UpdateError("Arquivo \"" + file.path + "\" está vazio: uma versão sem procedimentos não é carregada");
    const FieldCut c = layout.competencia;
    for (std::size_t n = 0; n < file.lines.size(); ++n) {
        // Blanks a line may end with are no text; a blank line is left to
        // the rows' own rules, which name the field it lacks.
        const std::size_t size = file.lines[n].size();
        const std::string_view line = trimmedEnd(file.lines[n]);
        if (line.empty()) continue;
        if (line.size() > layout.recordLength) fail(file, n + 1, tooLong(layout, size));
        if (c.length == 0) continue;
        if (line.size() < c.offset + c.length) fail(file, n + 1, cutShort(layout, size));
        const std::string_view competencia = line.substr(c.offset, c.length);
        if (!validCompetencia(competencia))
            fail(file, n + 1, "a competência \"" + shown(competencia) + "\" (caracteres " + std::to_string(c.offset + 1) +
                                  " a " + std::to_string(c.offset + c.length) + ") não é um mês válido (AAAAMM)");
        if (competencia != competencia_) sameCompetencia(file, n + 1, std::string(competencia));
    }
}

void ReleaseChecks::sameCompetencia(const ReleaseFile& file, std::size_t line, const std::string& competencia)
{
    if (competencia_.empty()) {
        competencia_ = competencia;
        firstPath_ = file.path;
        firstLine_ = line;
        return;
    }
    fail(file, line, "a competência " + competencia + " difere da " + competencia_ + " de \"" + firstPath_ +
                         "\", linha " + std::to_string(firstLine_) + ": os arquivos são de versões diferentes");
}

bool keptRowsIn(kdb::Connection& db, kdb::Transaction& tr, const TableLayout& layout, const std::string& competencia)
{
    if (competencia.empty()) return false;
    kdb::Query q(db, tr);
    q.setSql("select 1 from rdb$database where exists (select 1 from " + historyTable(layout) +
             " where HIST_INI <= :c and (HIST_FIM is null or HIST_FIM >= :c))");
    q.setParam("c", competencia);
    q.open();
    const bool rows = !q.isEmpty();
    q.close();
    return rows;
}

void refuseEmptiedLinks(kdb::Connection& db, kdb::Transaction& tr, const CheckedRelease& release,
                        const CompetenciaPlace& place)
{
    // The release it follows, or for the oldest the one it comes before, or
    // the same month loaded before.
    const std::string& neighbour = !place.previous.empty() ? place.previous : !place.next.empty() ? place.next : place.current;
    for (const CheckedRelease::Entry& e : release.entries()) {
        const TableLayout& layout = *e.layout.layout;
        if (e.lines != 0 || !linksProcedures(layout) || !keptRowsIn(db, tr, layout, neighbour)) continue;
        throw UpdateError("Arquivo \"" + e.path + "\" está vazio, mas a competência " + competenciaShown(neighbour) +
                          " carregada tem linhas em " + layout.table +
                          ": uma versão sempre as traz, então esta está incompleta e não é carregada");
    }
}

} // namespace korvane
