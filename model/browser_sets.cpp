// The browser's result sets: their statements and transactions, the titles
// and formats of their fields, and the pages that show them.

#include "browser.h"

#include "update/history.h"
#include "update/schemaupgrade.h"

#include "korvane_config.h"
#include "model/limits.h"
#include "model/statements.h"

namespace korvane {
namespace {

namespace st = statements;
using kdata::DisplayFormat;

void title(kdata::RecordSet* ds, const char* field, const char* text, int width = -1)
{
    ds->setFieldDef({QString::fromLatin1(field), QString::fromUtf8(text), width, DisplayFormat::Plain});
}

void money(kdata::RecordSet* ds, const char* field, const char* text, int width = -1)
{
    ds->setFieldDef({QString::fromLatin1(field), QString::fromUtf8(text), width, DisplayFormat::Money});
}

std::optional<kdb::Decimal> moneyOf(const kdata::RecordSet& ds, std::size_t row, const char* field)
{
    const kdb::Value v = ds.value(row, QString::fromLatin1(field));
    if (v.isNull()) return std::nullopt;
    return v.asDecimal();
}

} // namespace

const QString BrowserModel::kHighComplexityMark = QStringLiteral("ALTA COMPLEXIDADE");

BrowserModel::BrowserModel(const std::string& databasePath, QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("browser"));
    // Before anything else: a browser without its database is no use.
    connection_.open(databasePath, {KORVANE_DB_USER, KORVANE_DB_PASSWORD});
    // A database of an earlier version gets its columns, its later tables and
    // its history now, before any statement holds a table: turning a table
    // into a view while another attachment of this program uses it would
    // wait on that attachment for ever.
    upgradeSchema(connection_);
    convertToHistory(connection_);
    makeResultSets();
    describeFields();
    describePages();
    connectRefreshes();
}

BrowserModel::~BrowserModel()
{
    // Result sets first: their statements belong to the connection.
    stampQuery_.reset();
    for (kdata::DataSet* ds : dataSets_) delete ds;
    dataSets_.clear();
    transactions_.clear();
    try {
        connection_.close();
    } catch (...) {
    }
}

kdata::DataSet* BrowserModel::makeQuery(const QString& name, const std::string& sql, kdb::Transaction* shared)
{
    kdb::Transaction* tr = shared;
    if (!tr) {
        transactions_.push_back(std::make_unique<kdb::Transaction>(connection_, kdb::Transaction::Access::ReadOnly));
        tr = transactions_.back().get();
    }
    auto* ds = new kdata::DataSet(name, connection_, *tr, this);
    ds->setSql(sql);
    dataSets_.push_back(ds);
    return ds;
}

void BrowserModel::makeResultSets()
{
    qryVersao_ = makeQuery(QStringLiteral("qryVersao"), st::kVersao);
    qryGrupo_ = makeQuery(QStringLiteral("qryGrupo"), st::kGrupo);
    qrySubGrupo_ = makeQuery(QStringLiteral("qrySubGrupo"), st::kSubGrupo.sql);
    qryFo_ = makeQuery(QStringLiteral("qryFo"), st::kFo);
    // The procedure list is searched in memory (model/textindex): it shows
    // rows of the whole table read once.
    qryTbProc_ = new kdata::Selection(QStringLiteral("qryTbProc"), this);
    const std::pair<const char*, const st::Bound*> related[kRelatedCount] = {
        {"qryProccid10", &st::kProccid10},
        {"qryProccbos", &st::kProccbos},
        {"qryProcespecialidades", &st::kProcespecialidades},
        {"qryProcopm", &st::kProcopm},
        {"qryProcmodalidade", &st::kProcmodalidade},
        {"qryProcregistro", &st::kProcregistro},
        {"qryAtributoComplentar", &st::kAtributoComplentar},
        {"qryProcdetalhe", &st::kProcdetalhe},
        {"qryProchabilitacao", &st::kProchabilitacao},
        {"qryProcsDaOpm", &st::kProcsDaOpm},
        {"qryProc_Habilitacao", &st::kProc_Habilitacao},
        {"qryProcServicoClassificacao", &st::kProcServicoClassificacao},
        {"qryDescricoes", &st::kDescricoes},
        {"qryProcTuss", &st::kProcTuss},
        {"qryProcRenases", &st::kProcRenases},
        {"qryProcRedes", &st::kProcRedes},
        {"qryProcOrigem", &st::kProcOrigem},
        {"qryProcRegrasCond", &st::kProcRegrasCond},
        {"qryProcExcecoes", &st::kProcExcecoes},
    };
    for (int i = 0; i < kRelatedCount; ++i)
        related_[i] = makeQuery(QString::fromLatin1(related[i].first), related[i].second->sql);
    qryCid10Geral_ = makeQuery(QStringLiteral("qryCid10Geral"), st::kCid10Geral);
    // The one list that shares another's transaction.
    qryProcsCid10Geral_ =
        makeQuery(QStringLiteral("qryProcsCid10Geral"), st::kProcsCid10Geral.sql, &qryGrupo_->query().transaction());
    qryCbosGeral_ = makeQuery(QStringLiteral("qryCbosGeral"), st::kCbosGeral);

    choices_[0] = std::make_unique<LookupChoice>(QStringLiteral("grupo"), qryGrupo_, QStringLiteral("GRUPO_DESCR"), this);
    choices_[1] =
        std::make_unique<LookupChoice>(QStringLiteral("subgrupo"), qrySubGrupo_, QStringLiteral("SG_DESCR"), this);
    choices_[2] = std::make_unique<LookupChoice>(QStringLiteral("fo"), qryFo_, QStringLiteral("FO_DESCR"), this);
}

void BrowserModel::describeFields()
{
    title(qryTbProc_, "PROC_COD", "CÓDIGO");
    title(qryTbProc_, "PROC_DESCR", "DESCRIÇÃO", 1500);
    money(qryTbProc_, "PROC_VL_SA", "Valor SA:");
    money(qryTbProc_, "PROC_VL_SH", "Valor SH:");
    money(qryTbProc_, "PROC_VL_SP", "Valor SP:");
    money(qryTbProc_, "SOMASHSP", "TOTAL SH + SP");
    qryTbProc_->addCalculatedField(QStringLiteral("SOMASHSP"), [](const kdata::RecordSet& ds, std::size_t row) {
        const auto total =
            totalShSp(moneyOf(ds, row, "PROC_VL_SA"), moneyOf(ds, row, "PROC_VL_SH"), moneyOf(ds, row, "PROC_VL_SP"));
        return total ? kdb::Value(*total) : kdb::Value();
    });
    addAgeFields(*qryTbProc_);

    title(qryProccid10(), "CP_CID", "Cid10");
    title(qryProccid10(), "CID_DESCR", "Descrição", 1200);
    title(qryProccid10(), "CID_RESTRSEXO", "Sexo");
    title(qryProccbos(), "PCBO_CBO", "Cbo");
    title(qryProccbos(), "CBO_DESCR", "Descrição", 1200);
    title(qryProcespecialidades(), "PE_ESPEC", "Clínica");
    title(qryProcespecialidades(), "CL_DESCR", "Descrição", 522);
    title(qryProcopm(), "PC_PROC_SEC", "Procedimento");
    title(qryProcopm(), "PROC_DESCR", "Descrição", 993);
    title(qryProcopm(), "PROC_QTD_MAX", "Máximo");
    title(qryProcopm(), "PC_QT_PERMITIDA", "Permitido");
    money(qryProcopm(), "PROC_VL_SH", "Valor", 74);
    title(qryProcmodalidade(), "PM_MOD", "Código");
    title(qryProcmodalidade(), "MOD_DESCR", "Descrição");
    title(qryProcregistro(), "PR_REG", "Código");
    title(qryProcregistro(), "REG_DESCR", "Descrição", 910);
    title(qryAtributoComplentar(), "DETALHE", "Código", 42);
    title(qryAtributoComplentar(), "DESCRICAO", "Descrição");
    title(qryProcdetalhe(), "CH_COD", "Código");
    title(qryProcdetalhe(), "CL_DESCR", "Descrição", 1200);
    title(qryProchabilitacao(), "INCR_CODIGO", "Código");
    title(qryProchabilitacao(), "HAB_DESCRICAO", "Descrição", 800);
    money(qryProchabilitacao(), "INCR_PERC_SH", "% SH");
    money(qryProchabilitacao(), "INCR_PERC_SP", "% SP");
    title(qryProcsDaOpm(), "PC_PROC_PRINC", "Código");
    title(qryProcsDaOpm(), "PROC_DESCR", "Descrição", 1076);
    money(qryProcsDaOpm(), "PROC_VL_SH", "Valor SH", 76);
    money(qryProcsDaOpm(), "PROC_VL_SP", "Valor SP", 76);
    title(qryProc_Habilitacao(), "HABILITACAO", "Código");
    title(qryProc_Habilitacao(), "HAB_DESCRICAO", "Habilitação", 1246);
    title(qryProcServicoClassificacao(), "PS_SERVICO", "Serviço");
    title(qryProcServicoClassificacao(), "SERV_DESCR", "Descrição Serviço", 590);
    title(qryProcServicoClassificacao(), "PS_CLASSIF", "Classificação", 75);
    title(qryProcServicoClassificacao(), "DESC_CLASSIF", "Descrição Classificação", 590);
    describeLaterFields();
    title(qryCid10Geral_, "CID_COD", "Cid10");
    title(qryCid10Geral_, "CID_DESCR", "Descrição");
    title(qryCid10Geral_, "CID_RESTRSEXO", "Sexo");
    title(qryProcsCid10Geral_, "CP_PROC", "Procedimento");
    title(qryProcsCid10Geral_, "DESC_PROC", "Descrição");
}

void BrowserModel::describeLaterFields()
{
    title(qryProcTuss(), "PT_TUSS", "TUSS", 80);
    title(qryProcTuss(), "TUSS_DESCR", "Descrição", 1200);
    title(qryProcRenases(), "PRN_RENASES", "RENASES", 80);
    title(qryProcRenases(), "REN_DESCR", "Descrição", 1000);
    title(qryProcRedes(), "COMP_REDE", "Rede");
    title(qryProcRedes(), "REDE_DESCR", "Descrição Rede", 420);
    title(qryProcRedes(), "PCR_COMPONENTE", "Componente", 90);
    title(qryProcRedes(), "COMP_DESCR", "Descrição Componente", 760);
    title(qryProcOrigem(), "PO_PROC_ORIGEM", "Procedimento");
    title(qryProcOrigem(), "PROC_DESCR", "Descrição", 993);
    title(qryProcRegrasCond(), "PRC_REGRA", "Código");
    title(qryProcRegrasCond(), "RC_DESCR", "Regra", 420);
    title(qryProcRegrasCond(), "RC_DETALHE", "Descrição", 2400);
    title(qryProcExcecoes(), "EC_PROC_PRINC", "Principal");
    title(qryProcExcecoes(), "DESC_PRINC", "Descrição Principal", 420);
    title(qryProcExcecoes(), "EC_REG_PRINC", "Registro", 60);
    title(qryProcExcecoes(), "EC_PROC_COMP", "Compatível");
    title(qryProcExcecoes(), "DESC_COMPAT", "Descrição Compatível", 420);
    title(qryProcExcecoes(), "EC_REG_COMP", "Registro", 60);
    title(qryProcExcecoes(), "EC_TP_COMPAT", "Tipo", 40);
}

void BrowserModel::describePages()
{
    const auto fields = [](std::initializer_list<const char*> names) {
        std::vector<QString> out;
        for (const char* n : names) out.push_back(QString::fromLatin1(n));
        return out;
    };
    pages_ = {
        {"cid10", "Cid10 do Proc.", "dbgCid10", qryProccid10(), fields({"CP_CID", "CID_DESCR", "CID_RESTRSEXO"}),
         "edtPesquiseCid", PageSearch::Cid10},
        {"cbos", "CBOs do Proc.", "DBGrid1", qryProccbos(), fields({"PCBO_CBO", "CBO_DESCR"}), "edtPesquiseCbo",
         PageSearch::Cbos},
        {"clinicas", "Clínicas", "DBGrid2", qryProcespecialidades(), fields({"PE_ESPEC", "CL_DESCR"})},
        {"compativel", "Compatível", "DBGrid3", qryProcopm(),
         fields({"PC_PROC_SEC", "PROC_DESCR", "PROC_QTD_MAX", "PC_QT_PERMITIDA", "PROC_VL_SH"}), "edtPesquiseCompa",
         PageSearch::Compativel},
        {"modalidade", "Modalidade", "DBGrid6", qryProcmodalidade(), fields({"PM_MOD", "MOD_DESCR"})},
        {"registro", "Registro", "DBGrid4", qryProcregistro(), fields({"PR_REG", "REG_DESCR"})},
        {"atributo_complementar", "Atributo Complementar", "dbgAtributoComplementar", qryAtributoComplentar(),
         fields({"DETALHE", "DESCRICAO"})},
        {"detalhes", "Detalhes", "DBGrid5", qryProcdetalhe(), fields({"CH_COD", "CL_DESCR"})},
        {"incremento", "Incremento", "DBGrid7", qryProchabilitacao(),
         fields({"INCR_CODIGO", "HAB_DESCRICAO", "INCR_PERC_SH", "INCR_PERC_SP"})},
        {"procs_do_material_opm", "Procs. do Material OPM", "DBGrid8", qryProcsDaOpm(),
         fields({"PC_PROC_PRINC", "PROC_DESCR", "PROC_VL_SH", "PROC_VL_SP"})},
        {"habilitacao", "Habilitação", "dbgHabilitacao", qryProc_Habilitacao(), fields({"HABILITACAO", "HAB_DESCRICAO"})},
        {"servico_classificacao", "Serviço / Classificação", "dbgServicoClassificacao", qryProcServicoClassificacao(),
         fields({"PS_SERVICO", "SERV_DESCR", "PS_CLASSIF", "DESC_CLASSIF"})},
        {"tuss", "TUSS", "dbgTuss", qryProcTuss(), fields({"PT_TUSS", "TUSS_DESCR"}), "edtPesquiseTuss",
         PageSearch::Tuss},
        {"renases", "RENASES", "dbgRenases", qryProcRenases(), fields({"PRN_RENASES", "REN_DESCR"}),
         "edtPesquiseRenases", PageSearch::Renases},
        {"redes", "Redes", "dbgRedes", qryProcRedes(), fields({"COMP_REDE", "REDE_DESCR", "PCR_COMPONENTE", "COMP_DESCR"}),
         "edtPesquiseRedes", PageSearch::Redes},
        {"origem", "Origem", "dbgOrigem", qryProcOrigem(), fields({"PO_PROC_ORIGEM", "PROC_DESCR"}), "edtPesquiseOrigem",
         PageSearch::Origem},
        {"regras_condicionadas", "Regras Condicionadas", "dbgRegrasCondicionadas", qryProcRegrasCond(),
         fields({"PRC_REGRA", "RC_DESCR", "RC_DETALHE"}), "edtPesquiseRegras", PageSearch::RegrasCondicionadas},
        {"excecoes_compatibilidade", "Exceções de Compatibilidade", "dbgExcecoesCompatibilidade", qryProcExcecoes(),
         fields({"EC_PROC_PRINC", "DESC_PRINC", "EC_REG_PRINC", "EC_PROC_COMP", "DESC_COMPAT", "EC_REG_COMP",
                 "EC_TP_COMPAT"}),
         "edtPesquiseExcecoes", PageSearch::Excecoes},
    };
}

const std::vector<QString>& BrowserModel::listColumns()
{
    static const std::vector<QString> columns = {QStringLiteral("PROC_COD"), QStringLiteral("PROC_DESCR")};
    return columns;
}

const std::vector<DetailValue>& BrowserModel::detailValues()
{
    static const std::vector<DetailValue> values = {
        {"DBEdit1", "Sexo:", "PROC_SEXO"},
        {"DBEdit2", "Qt. Máxima:", "PROC_QTD_MAX"},
        {"DBEdit3", "Tempo:", "PROC_QTD_DIAS"},
        {"DBEdit4", "Pontos do ato:", "PROC_QTD_PONTOS"},
        {"DBEdit5", "Idade Mínima:", "IDADE_MINIMA"},
        {"DBEdit6", "Idade Máxima:", "IDADE_MAXIMA"},
        {"DBEdit7", "Valor SA:", "PROC_VL_SA"},
        {"DBEdit8", "Valor SH:", "PROC_VL_SH"},
        {"DBEdit9", "Valor SP:", "PROC_VL_SP"},
        {"DBEdit11", "Total", "SOMASHSP"},
        {"DBEdit10", "Financiamento:", "FINANC_DESCR"},
    };
    return values;
}

void BrowserModel::connectRefreshes()
{
    connect(qryTbProc_, &kdata::RecordSet::currentChanged, this,
            [this] { reportFailures(&BrowserModel::detailRefresh); });
    connect(qryCid10Geral_, &kdata::RecordSet::currentChanged, this,
            [this] { reportFailures(&BrowserModel::cid10GeralRefresh); });
}

void BrowserModel::reportFailures(void (BrowserModel::*refresh)())
{
    try {
        (this->*refresh)();
    } catch (...) {
        emit failed(std::current_exception());
    }
}

} // namespace korvane
