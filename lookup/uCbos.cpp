#include "uCbos.h"

namespace {

LookupWindow::Design cbosDesign()
{
    using kdata::FieldDef;
    LookupWindow::Design d;
    d.name = QStringLiteral("frmCbos");
    d.banner = QStringLiteral("CBOS");
    d.fontPixels = 11;
    d.boxHeight = 19;
    d.groupCaption = QStringLiteral("  PROCEDIMENTOS  DO  CBO  ");
    d.codesName = QStringLiteral("qryCbos");
    d.codesSql = "select * from TB_CBO";
    d.codes = {"TB_CBO", "cbo_cod", "cbo_descr", 6};
    d.codeField = QStringLiteral("CBO_COD");
    d.codeColumns = {FieldDef{QStringLiteral("CBO_COD"), QStringLiteral("CBO")},
                     FieldDef{QStringLiteral("CBO_DESCR"), QStringLiteral("Descrição"), 656}};
    d.proceduresName = QStringLiteral("qryProcsCbosGeral");
    d.proceduresSql = "select tb_proc_cbo.*,tb_proc.proc_descr desc_proc\n"
                      "from TB_PROC_CBO,TB_PROC\n"
                      "where pcbo_cbo=:pcbo_cbo\n"
                      "and tb_proc_cbo.pcbo_proc=tb_proc.proc_cod";
    d.procedures = {"select tb_proc_cbo.*,tb_proc.proc_descr desc_proc from TB_PROC_CBO,TB_PROC"
                    " where pcbo_cbo=:pcbo_cbo and tb_proc_cbo.pcbo_proc=tb_proc.proc_cod",
                    "pcbo_proc", 10};
    d.codeParam = "pcbo_cbo";
    d.procedureField = QStringLiteral("PCBO_PROC");
    d.procedureColumns = {FieldDef{QStringLiteral("PCBO_PROC"), QStringLiteral("Procedimento")},
                          FieldDef{QStringLiteral("DESC_PROC"), QStringLiteral("Descrição"), 621}};
    d.closeProceduresOnClose = true;
    return d;
}

} // namespace

TfrmCbos::TfrmCbos(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent)
    : LookupWindow(cbosDesign(), connection, std::move(handBack), parent)
{
}
