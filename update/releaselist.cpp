#include "releaselist.h"

#include <cctype>
#include <filesystem>

#include "update/releaseinfo.h"

#include <algorithm>
#include <tuple>

namespace korvane {
namespace {

constexpr std::size_t kNameLength = sizeof("TabelaUnificada_202606_v2606091427.zip") - 1;

bool nameCharacter(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '.' ||
           c == '-';
}

std::string lower(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

} // namespace

std::vector<PublishedRelease> publishedReleases(std::string_view listing)
{
    const std::string folded = lower(listing);
    std::vector<PublishedRelease> found;
    for (std::size_t at = folded.find("tabelaunificada_"); at != std::string::npos;
         at = folded.find("tabelaunificada_", at + 1)) {
        // A whole name: not the tail of a longer one, nor followed by more of one.
        if (at > 0 && nameCharacter(listing[at - 1]) && listing[at - 1] != '/') continue;
        const std::size_t end = at + kNameLength;
        if (end > listing.size() || (end < listing.size() && nameCharacter(listing[end]))) continue;
        const std::string_view name = listing.substr(at, kNameLength);
        const std::optional<ReleaseName> parsed = parseReleaseName(name);
        if (!parsed) continue;
        PublishedRelease r{std::string(name), parsed->competencia, parsed->stamp};
        if (std::find(found.begin(), found.end(), r) == found.end()) found.push_back(std::move(r));
    }
    return found;
}

std::optional<PublishedRelease> chooseRelease(const std::vector<PublishedRelease>& releases,
                                              std::string_view competencia)
{
    std::optional<PublishedRelease> best;
    for (const PublishedRelease& r : releases) {
        if (!competencia.empty() && r.competencia != competencia) continue;
        // A later competência first; of one competência, the later publication
        // (AAAAMM and AAMMDDHHMM both sort as text).
        if (!best || std::tie(r.competencia, r.stamp) > std::tie(best->competencia, best->stamp)) best = r;
    }
    return best;
}

std::vector<std::string> releaseZipsIn(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return {};
    std::string names;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        std::string name = e.path().filename().string();
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (lower == "tb_procedimento.txt") return {};
        if (e.is_regular_file(ec)) names += name + "\n";
    }
    std::vector<PublishedRelease> found = publishedReleases(names);
    std::sort(found.begin(), found.end(), [](const PublishedRelease& a, const PublishedRelease& b) {
        return std::tie(a.competencia, a.stamp) < std::tie(b.competencia, b.stamp);
    });
    std::vector<std::string> paths;
    for (const PublishedRelease& r : found) paths.push_back((fs::path(folder) / r.name).string());
    return paths;
}

} // namespace korvane
