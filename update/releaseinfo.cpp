#include "releaseinfo.h"

#include "core/text.h"
#include "update/layoutfile.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"

#include <algorithm>
#include <ctime>
#include <stdexcept>

namespace korvane {
namespace {

bool digits(std::string_view s, std::size_t n)
{
    return s.size() == n && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool validMonth(std::string_view mm) { return mm >= "01" && mm <= "12"; }

std::string stampOfTime(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (seconds <= 0 || !::localtime_r(&t, &tm)) return {};
    char b[16];
    std::strftime(b, sizeof b, "%y%m%d%H%M", &tm);
    return b;
}

} // namespace

std::optional<ReleaseName> parseReleaseName(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    // TabelaUnificada_ AAAAMM _v AAMMDDHHMM .zip
    constexpr std::string_view kPrefix = "TabelaUnificada_", kSuffix = ".zip";
    if (name.size() != kPrefix.size() + 6 + 2 + 10 + kSuffix.size()) return std::nullopt;
    if (!equalsIgnoringCase(name.substr(0, kPrefix.size()), kPrefix)) return std::nullopt;
    name.remove_prefix(kPrefix.size());
    const std::string_view competencia = name.substr(0, 6), marker = name.substr(6, 2), stamp = name.substr(8, 10);
    if (!digits(competencia, 6) || !equalsIgnoringCase(marker, "_v") || !digits(stamp, 10) ||
        !equalsIgnoringCase(name.substr(18), kSuffix) || !validMonth(competencia.substr(4)) ||
        !validMonth(stamp.substr(2, 2)))
        return std::nullopt;
    return ReleaseName{std::string(competencia), std::string(stamp)};
}

std::vector<const TableLayout*> absentLayouts(const ReleaseSource& source)
{
    std::vector<const TableLayout*> out;
    for (const TableLayout& l : releaseLayouts())
        if (l.optional && !source.contains(l.fileName)) out.push_back(&l);
    return out;
}

ReleaseInfo describeRelease(const ReleaseSource& source)
{
    for (const TableLayout& l : releaseLayouts())
        if (!l.optional && !source.contains(l.fileName)) (void)source.read(l.fileName);   // throws the reader's own message
    ReleaseInfo info;
    info.absent = absentLayouts(source);
    if (const std::optional<ReleaseName> name = parseReleaseName(source.location())) {
        info.competencia = name->competencia;
        info.published = name->stamp;
        info.publishedFromName = true;
        return info;
    }
    const TableLayout& procedures = releaseLayouts()[kProcedureStep - 1];
    const RowBuilder builder(resolveLayout(procedures, source));
    const ReleaseFile file = source.read(procedures.fileName);
    // The last line's, as VERSAO gets it.
    if (!file.lines.empty()) info.competencia = competenciaOfVersao(builder.competencia(file.lines.back()));
    info.published = stampOfTime(source.modified(procedures.fileName));
    return info;
}

std::string competenciaShown(std::string_view aaaamm)
{
    if (!digits(aaaamm, 6)) return {};
    return std::string(aaaamm.substr(4, 2)) + "/" + std::string(aaaamm.substr(0, 4));
}

std::string competenciaOfVersao(std::string_view mmaaaa)
{
    const std::string_view t = trimmed(mmaaaa);
    if (t.size() != 7 || t[2] != '/' || !digits(t.substr(0, 2), 2) || !digits(t.substr(3), 4)) return {};
    return std::string(t.substr(3)) + std::string(t.substr(0, 2));
}

std::string publishedShown(std::string_view stamp)
{
    if (!digits(stamp, 10)) return {};
    const std::string s(stamp);
    return s.substr(4, 2) + "/" + s.substr(2, 2) + "/20" + s.substr(0, 2) + " " + s.substr(6, 2) + ":" + s.substr(8, 2);
}

} // namespace korvane
