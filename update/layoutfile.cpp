#include "layoutfile.h"

#include "core/text.h"
#include "db/ascii.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace korvane {
namespace {

// Splits one CSV row; a field may be enclosed in double quotes, with "" for
// a quote inside.
std::vector<std::string> splitCsv(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back().push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back().push_back(c);
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    for (std::string& f : fields) f = trimmedCopy(f);
    return fields;
}

bool parsePositive(std::string_view s, int& out)
{
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out >= 1 && out <= 1000000;
}

[[noreturn]] void fail(const std::string& path, std::size_t line, const std::string& what)
{
    throw std::runtime_error("Layout file \"" + path + "\", line " + std::to_string(line) + ": " + what);
}

} // namespace

std::string layoutFileName(std::string_view releaseFileName)
{
    std::string_view stem = releaseFileName;
    if (stem.size() > 4 && stem.substr(stem.size() - 4) == ".txt") stem.remove_suffix(4);
    return std::string(stem) + "_layout.txt";
}

std::vector<LayoutColumn> parseLayoutFile(const ReleaseFile& file)
{
    if (file.lines.empty()) throw std::runtime_error("Layout file \"" + file.path + "\" is empty");
    std::string_view header = file.lines[0];
    if (header.substr(0, 3) == "\xEF\xBB\xBF") header.remove_prefix(3);   // a UTF-8 mark some editors add
    const std::vector<std::string> head = splitCsv(header);
    static const char* const kHeader[] = {"COLUNA", "TAMANHO", "INICIO", "FIM"};
    for (std::size_t i = 0; i < 4; ++i)
        if (head.size() <= i || kdb::upperAscii(head[i]) != kHeader[i])
            fail(file.path, 1, "the header is not \"Coluna,Tamanho,Inicio,Fim,Tipo\"");

    std::vector<LayoutColumn> columns;
    for (std::size_t n = 1; n < file.lines.size(); ++n) {
        const std::string_view line = file.lines[n];
        if (trimmed(line).empty()) continue;
        const std::vector<std::string> f = splitCsv(line);
        const std::size_t lineNo = n + 1;
        if (f.size() < 4 || f[0].empty()) fail(file.path, lineNo, "a row needs Coluna, Tamanho, Inicio and Fim");
        LayoutColumn c;
        c.name = kdb::upperAscii(f[0]);
        const std::string quoted = "column '" + c.name + "'";
        if (!parsePositive(f[1], c.size)) fail(file.path, lineNo, "'" + f[1] + "' is not a valid Tamanho for " + quoted);
        if (!parsePositive(f[2], c.start)) fail(file.path, lineNo, "'" + f[2] + "' is not a valid Inicio for " + quoted);
        if (!parsePositive(f[3], c.end)) fail(file.path, lineNo, "'" + f[3] + "' is not a valid Fim for " + quoted);
        if (c.end != c.start + c.size - 1)
            fail(file.path, lineNo, "Inicio " + f[2] + ", Fim " + f[3] + " and Tamanho " + f[1] + " of " + quoted +
                                        " do not agree");
        for (const LayoutColumn& o : columns)
            if (o.name == c.name) fail(file.path, lineNo, quoted + " appears twice");
        columns.push_back(std::move(c));
    }
    return columns;
}

ResolvedLayout fixedLayout(const TableLayout& layout)
{
    ResolvedLayout r;
    r.layout = &layout;
    r.cuts.reserve(layout.fields.size());
    for (const FieldSpec& f : layout.fields) {
        r.cuts.push_back({static_cast<std::uint32_t>(f.start - 1), f.length});
        if (layout.step == kProcedureStep && std::string_view(f.source) == kCompetenciaSource)
            r.competenciaOffset = static_cast<std::uint32_t>(f.start - 1);
    }
    const FixedRecord record = fixedRecord(layout);
    r.recordLength = record.length;
    if (record.competencia > 0) r.competencia = {record.competencia - 1u, 6};
    return r;
}

ResolvedLayout resolveLayout(const TableLayout& layout, std::string_view folder)
{
    return resolveLayout(layout, FolderSource(folder));
}

ResolvedLayout resolveLayout(const TableLayout& layout, const ReleaseSource& source)
{
    ResolvedLayout r = fixedLayout(layout);
    const std::string name = layoutFileName(layout.fileName);
    if (!source.contains(name)) return r;
    const ReleaseFile file = source.read(name);
    const std::vector<LayoutColumn> columns = parseLayoutFile(file);
    r.layoutFilePath = file.path;
    r.competencia = {};
    r.recordLength = 0;
    for (const LayoutColumn& c : columns) {
        r.recordLength = std::max(r.recordLength, static_cast<std::uint32_t>(c.end));
        if (c.name == kCompetenciaSource)
            r.competencia = {static_cast<std::uint32_t>(c.start - 1), static_cast<std::uint32_t>(c.size)};
    }
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
        const FieldSpec& f = layout.fields[i];
        const LayoutColumn* found = nullptr;
        for (const LayoutColumn& c : columns)
            if (c.name == f.source) found = &c;
        if (!found)
            throw std::runtime_error("Column '" + std::string(f.source) + "' not found in layout file \"" + file.path +
                                     "\"");
        r.cuts[i] = {static_cast<std::uint32_t>(found->start - 1), static_cast<std::uint32_t>(found->size)};
        if (layout.step == kProcedureStep && std::string_view(f.source) == kCompetenciaSource)
            r.competenciaOffset = r.cuts[i].offset;
    }
    return r;
}

} // namespace korvane
