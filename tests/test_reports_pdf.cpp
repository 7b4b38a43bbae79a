// The two shipped report projects run over record sets of a real database
// and written to PDF, read back with pdftotext.

#include "reports/connection.h"
#include "reports/layout.h"
#include "reports/project.h"
#include "model/limits.h"
#include "model/reportdata.h"
#include "model/statements.h"

#include "core/text.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/pdftext.h"
#include "support/widgets.h"
#include "support/syntheticprocs.h"
#include "support/tempdb.h"
#include "data/dataset.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QRegularExpression>

#include <filesystem>
#include <set>

using kreports::TRvDataSetConnection;
using kreports::TRvProject;

namespace {

const QString kProjects = QStringLiteral(KORVANE_REPORT_PROJECTS_DIR);

QString qs(const std::string& s) { return QString::fromStdString(s); }

class ReportPdfTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }
    static void TearDownTestSuite() { QLocale::setDefault(QLocale::c()); }

    void SetUp() override
    {
        db.open(ktest::createSchemaDatabase(dir), ktest::kCredentials);
        tr = std::make_unique<kdb::Transaction>(db);
        // The projects as the program finds them: in RELATORIOS beside the database.
        std::filesystem::create_directory(dir.path() / "RELATORIOS");
        for (const char* name : {"TabelaGeral.rav", "TabelaAnalitica.rav"})
            std::filesystem::copy_file((kProjects + u'/' + QLatin1String(name)).toStdString(), dir.path() / "RELATORIOS" / name);
    }

    void TearDown() override
    {
        sets.clear();
        tr.reset();
        db.close();
    }

    QString project(const char* name) const { return qs((dir.path() / "RELATORIOS" / name).string()); }
    QString file(const char* name) const { return qs(dir.file(name)); }

    kdata::DataSet& dataSet(const QString& name, const std::string& sql)
    {
        sets.push_back(std::make_unique<kdata::DataSet>(name, db, *tr));
        auto& ds = static_cast<kdata::DataSet&>(*sets.back());
        ds.setSql(sql);
        return ds;
    }

    kdata::DataSet& procedureList(const char* order)
    {
        kdata::DataSet& ds = dataSet(QStringLiteral("qryImpProcGeral"),
                                   std::string("select * from tb_proc where proc_cod<>'' order by ") + order);
        for (const char* f : {"PROC_VL_SH", "PROC_VL_SP"}) ds.setFieldDef({QLatin1String(f), {}, -1, kdata::DisplayFormat::Money});
        korvane::addAgeFields(ds);
        ds.open();
        return ds;
    }

    void exec(const std::string& sql)
    {
        kdb::Query q(db, *tr);
        q.setSql(sql);
        q.execute();
    }

    ktest::TempDir dir;
    kdb::Connection db;
    std::unique_ptr<kdb::Transaction> tr;
    std::vector<std::unique_ptr<kdata::RecordSet>> sets;
};

ktest::SyntheticProc proc(const char* code, const char* name, kdb::Decimal sa, kdb::Decimal sh, kdb::Decimal sp)
{
    ktest::SyntheticProc p = ktest::makeSyntheticProcs(1).front();
    p.code = code;
    p.name = name;
    p.sa = sa;
    p.sh = sh;
    p.sp = sp;
    return p;
}

// The ten-digit codes of a text, in reading order.
QStringList codesIn(const QString& text)
{
    QStringList out;
    static const QRegularExpression code(QStringLiteral("\\b\\d{10}\\b"));
    for (auto it = code.globalMatch(text); it.hasNext();) out << it.next().captured();
    return out;
}

TEST_F(ReportPdfTest, ListShowsCodesValuesInTheUserLocaleAndPageNumbers)
{
    const std::string longName(
        "TRATAMENTO CIRURGICO DE FRATURA DA DIAFISE DO UMERO COM RECONSTRUCAO DE LIGAMENTO CRUZADO ANTERIOR E "
        "ARTRODESE DA COLUNA VERTEBRAL SEGMENTO CERVICAL POR VIA POSTERIOR EM PACIENTE ADULTO COM IMPLANTE DE "
        "PROTESE EM HOSPITAL AMIGO DA CRIANCA");
    ASSERT_LE(longName.size(), 250u);
    ktest::insertSyntheticProcs(db, {proc("0301010072", "CONSULTA MEDICA EM ATENCAO ESPECIALIZADA", {1000, 2}, {0, 2}, {0, 2}),
                                     proc("0408010010", longName.c_str(), {0, 2}, {123456, 2}, {9876543, 2}),
                                     proc("0202010503", "DOSAGEM DE HEMOGLOBINA GLICOSILADA", {201, 2}, {0, 2}, {0, 2})});
    kdata::DataSet& list = procedureList("proc_descr");
    TRvDataSetConnection conn(QStringLiteral("RvDtsImpProcGeral"), &list);
    TRvProject geral(QStringLiteral("RvTabelaGeral"));
    geral.setProjectFile(project("TabelaGeral.rav"));
    geral.renderToPdf(file("geral.pdf"));

    const QString text = ktest::pdfText(file("geral.pdf"));
    ASSERT_FALSE(text.isEmpty()) << "pdftotext gave nothing";
    // In the data set's order: by name.
    EXPECT_EQ(codesIn(text), (QStringList{"0301010072", "0202010503", "0408010010"}));
    EXPECT_TRUE(text.contains(QStringLiteral("CONSULTA MEDICA EM ATENCAO ESPECIALIZADA")));
    EXPECT_TRUE(text.contains(QStringLiteral("1.234,56")));
    EXPECT_TRUE(text.contains(QStringLiteral("98.765,43")));
    EXPECT_TRUE(text.contains(QStringLiteral("10,00")));   // SA, formatted by the project alone
    EXPECT_TRUE(text.contains(QStringLiteral("2,01")));
    // The long name is wrapped, not cut: its last words are printed.
    EXPECT_TRUE(text.contains(QStringLiteral("DA CRIANCA")));
    EXPECT_FALSE(text.contains(QStringLiteral("…")));
    EXPECT_TRUE(text.contains(QStringLiteral("Página 1 de 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Total de procedimentos: 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("Impresso em ") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
}

TEST_F(ReportPdfTest, FourThousandProceduresPaginateWithTheHeaderOnEveryPage)
{
    const auto procs = ktest::makeSyntheticProcs(4000, 7);
    ktest::insertSyntheticProcs(db, procs);
    kdata::DataSet& list = procedureList("proc_cod");
    TRvDataSetConnection conn(QStringLiteral("RvDtsImpProcGeral"), &list);
    TRvProject geral(QStringLiteral("RvTabelaGeral"));
    geral.setProjectFile(project("TabelaGeral.rav"));
    const kreports::Document doc = geral.render();
    kreports::writePdf(doc, file("geral.pdf"));

    const QStringList pages = ktest::pdfPages(file("geral.pdf"));
    ASSERT_GT(doc.pageCount(), 40);
    ASSERT_EQ(pages.size(), doc.pageCount());
    QStringList codes;
    for (int i = 0; i < pages.size(); ++i) {
        const QString& page = pages[i];
        EXPECT_TRUE(page.contains(QStringLiteral("Tabela de Procedimentos do SUS (SIGTAP)"))) << "page " << i + 1;
        EXPECT_TRUE(page.contains(QStringLiteral("Página %1 de %2").arg(i + 1).arg(pages.size()))) << "page " << i + 1;
        const QStringList here = codesIn(page);
        // Column titles over the rows of every page (a last page may hold
        // only the summary).
        if (!here.isEmpty()) {
            EXPECT_TRUE(page.contains(QStringLiteral("Procedimento")) && page.contains(QStringLiteral("Valor SH")))
                << "column titles missing on page " << i + 1;
        }
        if (i + 2 < pages.size()) {
            EXPECT_GT(here.size(), 15) << "a thin page " << i + 1;
        }
        codes += here;
    }
    // Every procedure once, in code order, none lost at a page break.
    ASSERT_EQ(codes.size(), 4000);
    for (int i = 1; i < codes.size(); ++i) ASSERT_LT(codes[i - 1], codes[i]) << "at " << i;
    std::set<QString> expected;
    for (const auto& p : procs) expected.insert(qs(p.code));
    EXPECT_EQ(std::set<QString>(codes.begin(), codes.end()), expected);
    EXPECT_TRUE(pages.back().contains(QStringLiteral("Total de procedimentos: 4.000")));
    // The data set was handed back where it was.
    EXPECT_EQ(list.currentRow(), 0);
}

// The sheet: the procedure, its packed codes and the described lists.
class SheetTest : public ReportPdfTest {
protected:
    void SetUp() override
    {
        ReportPdfTest::SetUp();
        ktest::insertSyntheticProcs(db, {proc("0409050083", "PROSTATECTOMIA SUPRAPUBICA", {1000, 2}, {0, 2}, {550, 2}),
                                         proc("0301010072", "CONSULTA MEDICA EM ATENCAO ESPECIALIZADA", {1000, 2}, {0, 2}, {0, 2})});
        exec("update tb_proc set proc_complex='3', proc_sexo='M', proc_idade_min=18, proc_idade_max=110, "
             "proc_co_financ='04', proc_qtd_max=1, proc_qtd_dias=3 where proc_cod='0409050083'");
        exec("update tb_proc set proc_complex='2' where proc_cod='0301010072'");
        for (int i = 0; i < 19; ++i) {
            const std::string cid = "N4" + std::to_string(10 + i);
            exec("insert into tb_cid (cid_cod, cid_descr, cid_restrsexo) values ('" + cid + "', 'DIAGNOSTICO DE TESTE " + std::to_string(i) + "', 'M')");
            exec("insert into tb_cid_proc (cp_proc, cp_cid, cp_st_principal) values ('0409050083', '" + cid + "', 'S')");
            cids.push_back(cid);
        }
        for (int i = 0; i < 15; ++i) {
            const std::string cbo = "2252" + std::to_string(10 + i);
            exec("insert into tb_cbo (cbo_cod, cbo_descr) values ('" + cbo + "', 'MEDICO UROLOGISTA " + std::to_string(i) + "')");
            exec("insert into tb_proc_cbo (pcbo_proc, pcbo_cbo) values ('0409050083', '" + cbo + "')");
            cbos.push_back(cbo);
        }

        indi = &dataSet(QStringLiteral("qryImpProcIndi"),
                        "select tb_proc.*,financ_descr from tb_proc left join tb_financiamento "
                        "on tb_proc.proc_co_financ=tb_financiamento.financ_cod where proc_cod=:proc_cod");
        korvane::addAgeFields(*indi);
        // The sheet's calculated fields as the window computes them.
        indi->addCalculatedField(QStringLiteral("Complexidade"), [](const kdata::RecordSet& s, std::size_t row) {
            return kdb::Value(korvane::complexidade(s.value(row, QStringLiteral("PROC_COMPLEX"))));
        });
        indi->addCalculatedField(QStringLiteral("TOTALSHSP"), [](const kdata::RecordSet& s, std::size_t row) {
            return kdb::Value(korvane::totalShSpSheet(s.value(row, QStringLiteral("PROC_VL_SH")),
                                                      s.value(row, QStringLiteral("PROC_VL_SP"))));
        });
        cid10 = &dataSet(QStringLiteral("qryProccid10"),
                         "select tb_cid_proc.*,cid_descr,cid_restrsexo from TB_CID_PROC,TB_CID where cp_proc =:cp_proc "
                         "and tb_cid_proc.cp_cid=tb_cid.cid_cod order by cp_cid");
        cbo = &dataSet(QStringLiteral("qryProccbos"),
                       "select tb_proc_cbo.*,cbo_descr from TB_PROC_CBO,TB_CBO where pcbo_proc =:pcbo_proc "
                       "and tb_proc_cbo.pcbo_cbo=tb_cbo.cbo_cod");

        std::vector<kdata::MemoryTable::ColumnDef> cidCols, cboCols;
        for (const QString& c : korvane::cid10Columns()) cidCols.push_back({c, 4});
        for (const QString& c : korvane::cboColumns()) cboCols.push_back({c, 6});
        sets.push_back(std::make_unique<kdata::MemoryTable>(QStringLiteral("cdsCid10"), cidCols));
        cdsCid10 = static_cast<kdata::MemoryTable*>(sets.back().get());
        sets.push_back(std::make_unique<kdata::MemoryTable>(QStringLiteral("cdsCbos"), cboCols));
        cdsCbos = static_cast<kdata::MemoryTable*>(sets.back().get());

        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDtsImpProcIndi"), indi));
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDtsCid10"), cdsCid10));
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDtsCbos"), cdsCbos));
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDataSetConnection2"), cid10));
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDataSetConnection3"), cbo));
        // The lists of the later release files, empty here.
        namespace st = korvane::statements;
        const std::pair<const char*, const st::Bound*> later[] = {
            {"RvDtsTuss", &st::kProcTuss},       {"RvDtsRenases", &st::kProcRenases},
            {"RvDtsRedes", &st::kProcRedes},     {"RvDtsOrigem", &st::kProcOrigem},
            {"RvDtsRegrasCondicionadas", &st::kProcRegrasCond}, {"RvDtsExcecoesCompatibilidade", &st::kProcExcecoes}};
        for (const auto& [name, statement] : later) {
            kdata::DataSet* ds = &dataSet(QString::fromLatin1(name), statement->sql);
            laterLists.emplace_back(ds, statement->param);
            connections.push_back(std::make_unique<TRvDataSetConnection>(QString::fromLatin1(name), ds));
        }
        sheet.setProjectFile(project("TabelaAnalitica.rav"));
    }

    void TearDown() override
    {
        connections.clear();
        ReportPdfTest::TearDown();
    }

    // What the window does before the run, in short.
    void prepare(const std::string& typed, const std::string& selected)
    {
        cid10->close();
        cid10->setParam("cp_proc", selected);
        cid10->open();
        cbo->close();
        cbo->setParam("pcbo_proc", selected);
        cbo->open();
        korvane::packCodes(*cid10, QStringLiteral("CP_CID"), *cdsCid10);
        korvane::packCodes(*cbo, QStringLiteral("PCBO_CBO"), *cdsCbos);
        indi->close();
        indi->setParam("proc_cod", typed);
        indi->open();
        for (auto [ds, param] : laterLists) {
            ds->close();
            ds->setParam(param, typed);
            ds->open();
        }
    }

    kdata::DataSet* indi = nullptr;
    kdata::DataSet* cid10 = nullptr;
    kdata::DataSet* cbo = nullptr;
    kdata::MemoryTable* cdsCid10 = nullptr;
    kdata::MemoryTable* cdsCbos = nullptr;
    std::vector<std::unique_ptr<TRvDataSetConnection>> connections;
    std::vector<std::pair<kdata::DataSet*, const char*>> laterLists;
    std::vector<std::string> cids, cbos;
    TRvProject sheet{QStringLiteral("RvTabelaAnalitica")};
};

TEST_F(SheetTest, ShowsValuesLimitsAndEveryPackedCode)
{
    prepare("0409050083", "0409050083");
    sheet.renderToPdf(file("sheet.pdf"));
    const QString text = ktest::pdfText(file("sheet.pdf"));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("0409050083")));
    EXPECT_TRUE(text.contains(QStringLiteral("PROSTATECTOMIA SUPRAPUBICA")));
    EXPECT_TRUE(text.contains(QStringLiteral("10,00")));   // SA
    EXPECT_TRUE(text.contains(QStringLiteral("5,50")));    // SP, and the total SH + SP
    EXPECT_EQ(text.count(QStringLiteral("5,50")), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("ALTA COMPLEXIDADE")));
    EXPECT_TRUE(text.contains(QStringLiteral("M - MASCULINO")));
    EXPECT_TRUE(text.contains(QStringLiteral("INCENTIVO - MAC")));
    EXPECT_TRUE(text.contains(QStringLiteral("Página 1 de ")));
    // Every code twice: packed, and in its described list.
    for (const auto& c : cids) EXPECT_EQ(text.count(qs(c)), 2) << c;
    for (const auto& c : cbos) EXPECT_EQ(text.count(qs(c)), 2) << c;
    EXPECT_TRUE(text.contains(QStringLiteral("DIAGNOSTICO DE TESTE 18")));
    EXPECT_TRUE(text.contains(QStringLiteral("MEDICO UROLOGISTA 14")));
}

TEST_F(SheetTest, NeverPrintsTheDescribedListsOfAnotherProcedure)
{
    // Typed one code, selected another in the browser: the packed codes are
    // the typed one's (none), the described lists belong to the selection
    // and stay out of the sheet.
    prepare("0301010072", "0409050083");
    kdata::MemoryTable none(QStringLiteral("none"), {{"CODE", 4}});
    none.createDataSet();
    korvane::packCodes(none, QStringLiteral("CODE"), *cdsCid10);
    korvane::packCodes(none, QStringLiteral("CODE"), *cdsCbos);
    sheet.renderToPdf(file("sheet.pdf"));
    const QString text = ktest::pdfText(file("sheet.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("0301010072")));
    EXPECT_TRUE(text.contains(QStringLiteral("MÉDIA COMPLEXIDADE")));
    for (const auto& c : cids) EXPECT_FALSE(text.contains(qs(c))) << c;
    for (const auto& c : cbos) EXPECT_FALSE(text.contains(qs(c))) << c;
    EXPECT_FALSE(text.contains(QStringLiteral("descrições")));
    EXPECT_TRUE(text.contains(QStringLiteral("Nenhum CID-10 vinculado ao procedimento.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Nenhuma ocupação (CBO) vinculada ao procedimento.")));
    // The filters were the engine's: the sets keep their rows.
    EXPECT_EQ(cid10->recordCount(), cids.size());
    EXPECT_TRUE(cid10->filter().isEmpty());
}

TEST_F(SheetTest, ACodeOfNoProcedureStillGivesASheet)
{
    prepare("9999999999", "9999999999");
    sheet.renderToPdf(file("sheet.pdf"));
    const QString text = ktest::pdfText(file("sheet.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Nenhum procedimento tem o código informado.")));
    EXPECT_TRUE(text.contains(QStringLiteral("Página 1 de 1")));
}

} // namespace
