// The competência a consultation shows: every release table is a view of
// the attachment's consulted competência, so choosing one is reading
// everything again.

#include "browser.h"

#include "core/text.h"
#include "update/releaseinfo.h"

#include <algorithm>
#include <stdexcept>

namespace korvane {
namespace {

// "06/2026" and "202606" both name June 2026.
std::string asAaaamm(const std::string& text)
{
    if (text.size() == 7 && text[2] == '/') return competenciaOfVersao(text);
    return text;
}

} // namespace

std::vector<KeptRelease> BrowserModel::competencias()
{
    if (!keepsHistory(connection_)) return {};
    return keptReleases(connection_, qryVersao_->query().transaction());
}

std::string BrowserModel::competencia()
{
    if (!keepsHistory(connection_)) return competenciaOfVersao(toWin1252(versao()));
    return consultedCompetencia(connection_, qryVersao_->query().transaction());
}

void BrowserModel::setCompetencia(const std::string& competencia)
{
    const std::string wanted = asAaaamm(competencia);
    const std::vector<KeptRelease> kept = competencias();
    if (!wanted.empty()) {
        const bool known = std::any_of(kept.begin(), kept.end(), [&](const KeptRelease& k) { return k.competencia == wanted; });
        if (!known) {
            std::string list;
            for (const KeptRelease& k : kept) list += (list.empty() ? "" : ", ") + competenciaShown(k.competencia);
            throw std::invalid_argument("A competência " + competencia + " não está no banco" +
                                        (list.empty() ? std::string(".") : " (guardadas: " + list + ")."));
        }
    }
    // The newest chosen by name follows later loads as the default does.
    const bool newest = !kept.empty() && wanted == kept.back().competencia;
    consultCompetencia(connection_, newest ? std::string() : wanted);
    releaseLoaded();
    if (!opened_) return;
    stamp_ = releaseStamp();
    for (kdata::DataSet* ds : {qryCbosGeral_, qryCid10Geral_, qryGrupo_}) {
        ds->close();
        ds->open();
    }
    for (Level level : {Level::Grupo, Level::SubGrupo, Level::Fo}) choice(level).setEmptyText();
    qrySubGrupo_->close();
    qryFo_->close();
    search();
}

} // namespace korvane
