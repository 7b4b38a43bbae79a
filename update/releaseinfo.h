#pragma once
// Which release a folder or zip holds: its competência and when DATASUS
// published it. DATASUS names its zips TabelaUnificada_AAAAMM_vAAMMDDHHMM.zip;
// where the name says nothing (a folder, a renamed zip) the files do.

#include "update/layouts.h"
#include "update/releasesource.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct ReleaseName {
    std::string competencia;   // AAAAMM
    std::string stamp;         // AAMMDDHHMM, the publication
};

// "TabelaUnificada_202606_v2606091427.zip", in any case and after any
// folder, gives {"202606", "2606091427"}; any other name gives nothing.
std::optional<ReleaseName> parseReleaseName(std::string_view path);

struct ReleaseInfo {
    std::string competencia;      // AAAAMM
    std::string published;        // AAMMDDHHMM; from the files' time when not named
    bool publishedFromName = false;
    // The later files this release lacks (older releases): their tables
    // come out empty.
    std::vector<const TableLayout*> absent;
};

// The optional layouts whose files the release lacks, in load order.
std::vector<const TableLayout*> absentLayouts(const ReleaseSource& source);

// Throws std::runtime_error when the release lacks one of the 24 files, or
// its procedure file (whose DT_COMPETENCIA is read when the name does not
// tell) cannot be read.
ReleaseInfo describeRelease(const ReleaseSource& source);

// "202606" gives "06/2026", as VERSAO keeps it; and back. Empty when the
// text is not of that shape.
std::string competenciaShown(std::string_view aaaamm);
std::string competenciaOfVersao(std::string_view mmaaaa);
// "2606091427" gives "09/06/2026 14:27".
std::string publishedShown(std::string_view stamp);

} // namespace korvane
