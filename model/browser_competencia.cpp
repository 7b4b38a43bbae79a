// The competência a consultation shows: every release table is a view of
// the attachment's consulted competência, so choosing one is reading
// everything again.

#include "browser.h"

#include "core/text.h"
#include "update/releaseinfo.h"

#include <algorithm>
#include <stdexcept>

namespace korvane {

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
    const std::vector<KeptRelease> kept = competencias();
    const std::string wanted = competencia.empty() ? std::string() : keptCompetencia(kept, competencia);
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
