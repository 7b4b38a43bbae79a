// The print button of the main window: its menu, the data sets of the two
// procedure lists and of the procedure sheet, and the runs of the projects.

#include "app/uKorvane.h"

#include "model/statements.h"
#include "core/text.h"
#include "korvane_config.h"
#include "reports/connection.h"
#include "reports/project.h"
#include "ui/reportoutput.h"
#include "model/reportdata.h"
#include "ui/dialogs.h"

#include <QCursor>

using korvane::ListLevel;
using korvane::ListOrder;

namespace {

const char* const kImpProcIndi =
    "select tb_proc.*,financ_descr from tb_proc left join tb_financiamento on "
    "(tb_proc.proc_co_financ=tb_financiamento.financ_cod) where proc_cod=:proc_cod";

} // namespace

void TfrmKorvane::buildReports()
{
    qryImpProcGeral = makeQuery(QStringLiteral("qryImpProcGeral"), "select * from tb_proc where proc_cod<>''");
    qryImpProcGeral->setFieldDef({QStringLiteral("PROC_VL_SH"), {}, -1, kdata::DisplayFormat::Money});
    qryImpProcGeral->setFieldDef({QStringLiteral("PROC_VL_SP"), {}, -1, kdata::DisplayFormat::Money});

    // A procedure whose financing code has no row still prints, with the
    // financing left blank.
    qryImpProcIndi = makeQuery(QStringLiteral("qryImpProcIndi"), kImpProcIndi);
    for (const char* f : {"PROC_VL_SA", "PROC_VL_SH", "PROC_VL_SP", "TOTALSHSP"})
        qryImpProcIndi->setFieldDef({QString::fromLatin1(f), {}, -1, kdata::DisplayFormat::Money});
    qryImpProcIndi->addCalculatedField(QStringLiteral("Complexidade"), [](const kdata::RecordSet& ds, std::size_t row) {
        return kdb::Value(korvane::complexidade(ds.value(row, QStringLiteral("PROC_COMPLEX"))));
    });
    qryImpProcIndi->addCalculatedField(QStringLiteral("TOTALSHSP"), [](const kdata::RecordSet& ds, std::size_t row) {
        return kdb::Value(korvane::totalShSpSheet(ds.value(row, QStringLiteral("PROC_VL_SH")),
                                                  ds.value(row, QStringLiteral("PROC_VL_SP"))));
    });

    // The CID-10 and CBO lists of a typed code that is not the one selected.
    qryCid10DoCodigo = makeQuery(QStringLiteral("qryCid10DoCodigo"), korvane::statements::kProccid10);
    qryCbosDoCodigo = makeQuery(QStringLiteral("qryCbosDoCodigo"), korvane::statements::kProccbos);

    const auto table = [this](const char* name, const std::vector<QString>& columns, int size) {
        std::vector<kdata::MemoryTable::ColumnDef> defs;
        for (const QString& c : columns) defs.push_back({c, size});
        auto* t = new kdata::MemoryTable(QString::fromLatin1(name), defs, this);
        t->createDataSet();
        return t;
    };
    cdsCid10 = table("cdsCid10", korvane::cid10Columns(), 4);
    cdsCbos = table("cdsCbos", korvane::cboColumns(), 6);

    const std::pair<const char*, kdata::RecordSet*> connections[] = {
        {"RvDtsImpProcGeral", qryImpProcGeral},
        {"RvDtsImpProcIndi", qryImpProcIndi},
        {"RvDtsCid10", cdsCid10},
        {"RvDtsCbos", cdsCbos},
        {"RvDataSetConnection2", qryProccid10},
        {"RvDataSetConnection3", qryProccbos},
        {"RvDTSProcEspecialidades", qryProcespecialidades},
        {"RvDataSetConnection5", qryProcopm},
        {"RvDtsRegistro", qryProcregistro},
        {"RvDataSetConnection7", qryProcdetalhe},
        {"RvDtsProcModalidade", qryProcmodalidade},
        {"RvDtsProcHabilitacao", qryProchabilitacao},
        {"RvDataSetConnection10", qryProcsDaOpm},
        {"RvDataSetConnection11", qryCid10Geral},
        {"RvDataSetConnection12", qryProcsCid10Geral},
        {"RvDataSetConnection13", qryCbosGeral},
        {"RvDTSProc_Habilitacao", qryProc_Habilitacao},
        {"RvDtsProcServicoClassificacao", qryProcServicoClassificacao},
        {"RvDataSetConnection16", qryFinanciamento},
        {"RvDataSetConnection17", qryDescricoes},
        {"RvDataSetConnection18", qryCadastroDetalhes},
        {"RvDTSAtributoComplementar", qryAtributoComplentar},
    };
    for (const auto& [name, dataSet] : connections)
        new kreports::TRvDataSetConnection(QString::fromLatin1(name), dataSet, this);

    RvTabelaGeral = new kreports::TRvProject(QStringLiteral("RvTabelaGeral"), this);
    RvTabelaGeral->setProjectFile(QStringLiteral(KORVANE_REPORTS_DIR "/TabelaGeral.rav"));
    RvTabelaAnalitica = new kreports::TRvProject(QStringLiteral("RvTabelaAnalitica"), this);
    RvTabelaAnalitica->setProjectFile(QStringLiteral(KORVANE_REPORTS_DIR "/TabelaAnalitica.rav"));

    pmImpressao = new QMenu(this);
    pmImpressao->setObjectName(QStringLiteral("pmImpressao"));
    const auto item = [this](const char* name, const char* caption, void (TfrmKorvane::*h)()) {
        QAction* a = pmImpressao->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, h] { kui::guarded(this, [this, h] { (this->*h)(); }); });
    };
    item("RelatrioSinttico1", "Sintético Alfabético", &TfrmKorvane::RelatrioSinttico1Click);
    item("SintticoNumrico1", "Sintético Numérico", &TfrmKorvane::SintticoNumrico1Click);
    pmImpressao->addSeparator()->setObjectName(QStringLiteral("N1"));
    item("Analtico1", "Analítico", &TfrmKorvane::Analtico1Click);
}

void TfrmKorvane::btnFichaClick() { pmImpressao->popup(QCursor::pos()); }

ListLevel TfrmKorvane::listLevel(kui::DBLookupCombo* lookup, kdata::DataSet* list, const char* codeField) const
{
    // Only a chosen entry narrows the list: a lookup emptied by Delete or by
    // the clear button shows nothing and filters nothing, as in the search.
    ListLevel level;
    level.holdsValue = lookup->state() == kui::DBLookupCombo::State::Entry;
    if (list->isOpen() && list->currentRow() >= 0)
        level.code = korvane::trimmedCopy(list->field(QString::fromLatin1(codeField)).toString());
    return level;
}

void TfrmKorvane::runProcedureList(ListOrder order)
{
    const std::string sql = korvane::procedureListSql(listLevel(dblGrupo, qryGrupo, "CODIGO"),
                                                      listLevel(dblSubGrupo, qrySubGrupo, "SUBGRUPO"),
                                                      listLevel(dblFo, qryFo, "FO"), order);
    qryImpProcGeral->close();
    qryImpProcGeral->setSql(sql);
    qryImpProcGeral->open();
    qryImpProcGeral->first();
    kui::runReport(*RvTabelaGeral, this);
}

void TfrmKorvane::RelatrioSinttico1Click() { runProcedureList(ListOrder::ByDescription); }

void TfrmKorvane::SintticoNumrico1Click() { runProcedureList(ListOrder::ByCode); }

void TfrmKorvane::Analtico1Click()
{
    const std::string code = korvane::trimmedCopy(korvane::toWin1252(edtPesquise->text()));
    if (code.empty()) {
        kui::dialogs().information(this, QStringLiteral("VOCÊ DEVE DIGITAR O CÓDIGO DO PROCEDIMENTO PARA PODER IMPRIMIR !"));
        edtPesquise->setFocus(Qt::OtherFocusReason);
        return;
    }
    // The sheet describes one procedure: the codes of the selected one as its
    // pages show them, or, when another code was typed, that code's own.
    kdata::DataSet* cids = qryProccid10;
    kdata::DataSet* cbos = qryProccbos;
    if (korvane::trimmedCopy(currentProcedureCode()) != code) {
        cids = qryCid10DoCodigo;
        cbos = qryCbosDoCodigo;
        for (auto [ds, param] : {std::pair{cids, "cp_proc"}, std::pair{cbos, "pcbo_proc"}}) {
            ds->close();
            ds->setParam(param, code);
            ds->open();
        }
    }
    korvane::packCodes(*cids, QStringLiteral("CP_CID"), *cdsCid10);
    korvane::packCodes(*cbos, QStringLiteral("PCBO_CBO"), *cdsCbos);
    qryImpProcIndi->close();
    qryImpProcIndi->setParam("proc_cod", code);
    qryImpProcIndi->open();

    auto* cidList = kreports::findConnection(QStringLiteral("RvDataSetConnection2"));
    auto* cboList = kreports::findConnection(QStringLiteral("RvDataSetConnection3"));
    cidList->setDataSet(cids);
    cboList->setDataSet(cbos);
    struct Restore {
        kreports::TRvDataSetConnection *cid, *cbo;
        kdata::RecordSet *cidSet, *cboSet;
        ~Restore()
        {
            cid->setDataSet(cidSet);
            cbo->setDataSet(cboSet);
        }
    } restore{cidList, cboList, qryProccid10, qryProccbos};
    kui::runReport(*RvTabelaAnalitica, this);
}
