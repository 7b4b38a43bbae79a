// korvane-genrelease [--seed N] [--scale X] [--layout fixed|2025]
//                    [--layout-files yes|no] [--later-files yes|no]
//                    [--competencia AAAAMM] [--zip FILE] OUT_FOLDER
// Writes a synthetic SIGTAP release: the 24 files every release has plus
// tb_cid.txt and tb_financiamento.txt for korvane-createdb, and with
// --later-files yes the fifteen files later releases carry; --zip also packs
// them into one zip, as DATASUS publishes a release.

#include "tools/releasegen.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    korvane::ReleaseOptions options;
    std::string folder, zip;
    bool usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        try {
            if (a == "--seed" && hasValue) options.seed = std::stoull(argv[++i]);
            else if (a == "--scale" && hasValue) options.scale = std::stod(argv[++i]);
            else if (a == "--competencia" && hasValue) options.competencia = argv[++i];
            else if (a == "--zip" && hasValue) zip = argv[++i];
            else if (a == "--layout" && hasValue) {
                const std::string v = argv[++i];
                if (v == "fixed") options.layout = korvane::ReleaseOptions::Layout::Fixed;
                else if (v == "2025") options.layout = korvane::ReleaseOptions::Layout::Y2025;
                else usage = true;
            } else if ((a == "--layout-files" || a == "--later-files") && hasValue) {
                const std::string v = argv[++i];
                bool& flag = a == "--layout-files" ? options.layoutFiles : options.laterFiles;
                if (v == "yes") flag = true;
                else if (v == "no") flag = false;
                else usage = true;
            } else if (a.empty() || a[0] == '-' || !folder.empty()) usage = true;
            else folder = a;
        } catch (const std::exception&) {
            usage = true;
        }
    }
    if (usage || folder.empty()) {
        std::fprintf(stderr, "usage: korvane-genrelease [--seed N] [--scale X] [--layout fixed|2025] "
                             "[--layout-files yes|no] [--later-files yes|no] [--competencia AAAAMM] [--zip FILE] "
                             "OUT_FOLDER\n");
        return 2;
    }
    try {
        const korvane::ReleaseSummary s = korvane::generateRelease(folder, options);
        std::size_t lines = 0;
        for (const auto& [name, n] : s.lines) lines += n;
        std::printf("wrote %zu files, %zu lines, %.1f MB into %s\n", s.lines.size(), lines,
                    static_cast<double>(s.bytes) / 1048576.0, folder.c_str());
        if (!zip.empty()) {
            korvane::packRelease(folder, zip);
            std::printf("packed them into %s\n", zip.c_str());
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane-genrelease: %s\n", e.what());
        return 1;
    }
}
