#pragma once
// The releases a download folder offers, read from its listing: an FTP
// name list or long list, or the HTML index a web server writes. Only the
// names DATASUS gives its release zips count.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct PublishedRelease {
    std::string name;          // TabelaUnificada_202606_v2606091427.zip, as listed
    std::string competencia;   // AAAAMM
    std::string stamp;         // AAMMDDHHMM

    bool operator==(const PublishedRelease&) const = default;
};

// Each release once, in the order first listed.
std::vector<PublishedRelease> publishedReleases(std::string_view listing);

// The newest competência, or the one asked (AAAAMM); of its publications the
// latest. Nothing when none fits.
std::optional<PublishedRelease> chooseRelease(const std::vector<PublishedRelease>& releases,
                                              std::string_view competencia = {});

// The release zips a local folder holds, oldest competência first (of one
// competência the earlier publication first), as full paths; none when the
// path is not a folder or is a release folder itself (it holds
// tb_procedimento.txt).
std::vector<std::string> releaseZipsIn(const std::string& folder);

} // namespace korvane
