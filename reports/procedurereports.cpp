#include "procedurereports.h"

#include "connection.h"
#include "project.h"
#include "reportcolumns.h"

#include "core/settingpath.h"
#include "korvane_config.h"
#include "model/limits.h"
#include "model/statements.h"

#include <stdexcept>

namespace kreports {
namespace {

namespace st = korvane::statements;

kdata::MemoryTable* codeTable(const char* name, const std::vector<QString>& columns, int size, QObject* parent)
{
    std::vector<kdata::MemoryTable::ColumnDef> defs;
    for (const QString& c : columns) defs.push_back({c, size});
    auto* t = new kdata::MemoryTable(QString::fromLatin1(name), defs, parent);
    t->createDataSet();
    return t;
}

} // namespace

ProcedureReports::ProcedureReports(korvane::BrowserModel& browser, QObject* parent)
    : QObject(parent), browser_(browser)
{
    setObjectName(QStringLiteral("reports"));
    qryImpProcGeral_ = makeQuery(QStringLiteral("qryImpProcGeral"), st::kImpProcGeral);
    qryImpProcGeral_->setFieldDef({QStringLiteral("PROC_VL_SH"), {}, -1, kdata::DisplayFormat::Money});
    qryImpProcGeral_->setFieldDef({QStringLiteral("PROC_VL_SP"), {}, -1, kdata::DisplayFormat::Money});
    korvane::addAgeFields(*qryImpProcGeral_);
    makeSheetData();
    qryCadastroDetalhes_ = makeQuery(QStringLiteral("qryCadastroDetalhes"), st::kCadastroDetalhes);
    qryFinanciamento_ = makeQuery(QStringLiteral("qryFinanciamento"), st::kFinanciamento);
    makeConnections();

    const QString projects = QString::fromStdString(korvane::settingPath(KORVANE_REPORTS_DIR));
    RvTabelaGeral_ = new TRvProject(QStringLiteral("RvTabelaGeral"), this);
    RvTabelaGeral_->setProjectFile(projects + QStringLiteral("/TabelaGeral.rav"));
    RvTabelaGeral_->setTableSource([this] { return openListTable(); });
    RvTabelaAnalitica_ = new TRvProject(QStringLiteral("RvTabelaAnalitica"), this);
    RvTabelaAnalitica_->setProjectFile(projects + QStringLiteral("/TabelaAnalitica.rav"));
}

ProcedureReports::~ProcedureReports()
{
    // The data sets before the transactions their queries run in.
    for (kdata::DataSet* ds : dataSets_) delete ds;
}

kdata::DataSet* ProcedureReports::makeQuery(const QString& name, const std::string& sql)
{
    kdb::Connection& db = browser_.connection();
    transactions_.push_back(std::make_unique<kdb::Transaction>(db, kdb::Transaction::Access::ReadOnly));
    auto* ds = new kdata::DataSet(name, db, *transactions_.back(), this);
    ds->setSql(sql);
    dataSets_.push_back(ds);
    return ds;
}

void ProcedureReports::makeSheetData()
{
    // A procedure whose financing code has no row still prints, with the
    // financing left blank.
    qryImpProcIndi_ = makeQuery(QStringLiteral("qryImpProcIndi"), st::kImpProcIndi.sql);
    for (const char* f : {"PROC_VL_SA", "PROC_VL_SH", "PROC_VL_SP", "TOTALSHSP"})
        qryImpProcIndi_->setFieldDef({QString::fromLatin1(f), {}, -1, kdata::DisplayFormat::Money});
    qryImpProcIndi_->addCalculatedField(QStringLiteral("Complexidade"), [](const kdata::RecordSet& ds, std::size_t row) {
        return kdb::Value(korvane::complexidade(ds.value(row, QStringLiteral("PROC_COMPLEX"))));
    });
    qryImpProcIndi_->addCalculatedField(QStringLiteral("TOTALSHSP"), [](const kdata::RecordSet& ds, std::size_t row) {
        return kdb::Value(korvane::totalShSpSheet(ds.value(row, QStringLiteral("PROC_VL_SH")),
                                                  ds.value(row, QStringLiteral("PROC_VL_SP"))));
    });
    korvane::addAgeFields(*qryImpProcIndi_);
    qryCid10DoCodigo_ = makeQuery(QStringLiteral("qryCid10DoCodigo"), st::kProccid10.sql);
    qryCbosDoCodigo_ = makeQuery(QStringLiteral("qryCbosDoCodigo"), st::kProccbosOrdered.sql);
    cdsCid10_ = codeTable("cdsCid10", korvane::cid10Columns(), 4, this);
    cdsCbos_ = codeTable("cdsCbos", korvane::cboColumns(), 6, this);
    struct Later {
        const char* connection;
        const st::Bound* statement;
        const char* order;
    };
    static const Later later[] = {
        {"RvDtsTuss", &st::kProcTuss, "pt_tuss"},
        {"RvDtsRenases", &st::kProcRenases, "prn_renases"},
        {"RvDtsRedes", &st::kProcRedes, "comp_rede, pcr_componente"},
        {"RvDtsOrigem", &st::kProcOrigem, "po_proc_origem"},
        {"RvDtsRegrasCondicionadas", &st::kProcRegrasCond, "prc_regra"},
        {"RvDtsExcecoesCompatibilidade", &st::kProcExcecoes, "ec_proc_princ, ec_proc_comp"},
    };
    for (const Later& l : later) {
        kdata::DataSet* ds = makeQuery(QString::fromLatin1(l.connection).replace(0, 5, QStringLiteral("qry")),
                                       l.statement->sql + "\norder by " + l.order);
        laterLists_.emplace_back(ds, l.statement);
        new TRvDataSetConnection(QString::fromLatin1(l.connection), ds, this);
    }
}

void ProcedureReports::makeConnections()
{
    const korvane::BrowserModel& b = browser_;
    const std::pair<const char*, kdata::RecordSet*> connections[] = {
        {"RvDtsImpProcGeral", qryImpProcGeral_},
        {"RvDtsImpProcIndi", qryImpProcIndi_},
        {"RvDtsCid10", cdsCid10_},
        {"RvDtsCbos", cdsCbos_},
        {"RvDataSetConnection2", b.qryProccid10()},
        {"RvDataSetConnection3", b.qryProccbos()},
        {"RvDTSProcEspecialidades", b.qryProcespecialidades()},
        {"RvDataSetConnection5", b.qryProcopm()},
        {"RvDtsRegistro", b.qryProcregistro()},
        {"RvDataSetConnection7", b.qryProcdetalhe()},
        {"RvDtsProcModalidade", b.qryProcmodalidade()},
        {"RvDtsProcHabilitacao", b.qryProchabilitacao()},
        {"RvDataSetConnection10", b.qryProcsDaOpm()},
        {"RvDataSetConnection11", b.qryCid10Geral()},
        {"RvDataSetConnection12", b.qryProcsCid10Geral()},
        {"RvDataSetConnection13", b.qryCbosGeral()},
        {"RvDTSProc_Habilitacao", b.qryProc_Habilitacao()},
        {"RvDtsProcServicoClassificacao", b.qryProcServicoClassificacao()},
        {"RvDataSetConnection16", qryFinanciamento_},
        {"RvDataSetConnection17", b.qryDescricoes()},
        {"RvDataSetConnection18", qryCadastroDetalhes_},
        {"RvDTSAtributoComplementar", b.qryAtributoComplentar()},
    };
    for (const auto& [name, dataSet] : connections) new TRvDataSetConnection(QString::fromLatin1(name), dataSet, this);
}

void ProcedureReports::openList(korvane::ListOrder order)
{
    const std::string sql = korvane::procedureListSql(browser_.hierarchyFilter(), order);
    qryImpProcGeral_->close();
    qryImpProcGeral_->setSql(sql);
    qryImpProcGeral_->open();
    qryImpProcGeral_->first();
}

void ProcedureReports::runList(korvane::ListOrder order, const Present& present)
{
    openList(order);
    present(*RvTabelaGeral_);
}

kdata::Extract ProcedureReports::listTable(korvane::ListOrder order)
{
    openList(order);
    return openListTable();
}

kdata::Extract ProcedureReports::openListTable()
{
    const Section* section = sectionOf(RvTabelaGeral_->definition().defaultReport(), QStringLiteral("RvDtsImpProcGeral"));
    if (!section) throw std::runtime_error("o projeto da lista não tem a seção dos procedimentos");
    const std::vector<ReportColumn> columns = reportColumns(*section);
    std::vector<QString> fields;
    for (const ReportColumn& c : columns) fields.push_back(c.field);
    kdata::Extract table = kdata::extract(*qryImpProcGeral_, fields);
    for (std::size_t i = 0; i < columns.size(); ++i) table.columns[i].title = columns[i].title;
    return table;
}

bool ProcedureReports::runSheet(const std::string& code, const Present& present)
{
    if (code.empty()) return false;
    // The sheet describes one procedure, whole: its own CID-10 and CBO lists
    // in code order, whatever a page's search box narrows on screen and
    // however the code was chosen.
    kdata::DataSet* cids = qryCid10DoCodigo_;
    kdata::DataSet* cbos = qryCbosDoCodigo_;
    for (auto [ds, statement] : {std::pair{cids, &st::kProccid10}, std::pair{cbos, &st::kProccbosOrdered}}) {
        ds->close();
        ds->setParam(statement->param, code);
        ds->open();
    }
    for (auto [ds, statement] : laterLists_) {
        ds->close();
        ds->setParam(statement->param, code);
        ds->open();
    }
    korvane::packCodes(*cids, QStringLiteral("CP_CID"), *cdsCid10_);
    korvane::packCodes(*cbos, QStringLiteral("PCBO_CBO"), *cdsCbos_);
    qryImpProcIndi_->close();
    qryImpProcIndi_->setParam(st::kImpProcIndi.param, code);
    qryImpProcIndi_->open();

    auto* cidList = findConnection(QStringLiteral("RvDataSetConnection2"));
    auto* cboList = findConnection(QStringLiteral("RvDataSetConnection3"));
    cidList->setDataSet(cids);
    cboList->setDataSet(cbos);
    struct Restore {
        TRvDataSetConnection *cid, *cbo;
        kdata::RecordSet *cidSet, *cboSet;
        ~Restore()
        {
            cid->setDataSet(cidSet);
            cbo->setDataSet(cboSet);
        }
    } restore{cidList, cboList, browser_.qryProccid10(), browser_.qryProccbos()};
    present(*RvTabelaAnalitica_);
    return true;
}

} // namespace kreports
