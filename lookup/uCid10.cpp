#include "uCid10.h"

namespace {

LookupWindow::Design cid10Design()
{
    using kdata::FieldDef;
    LookupWindow::Design d;
    d.name = QStringLiteral("frmCid10");
    d.banner = QStringLiteral("CID10");
    d.fontPixels = 13;
    d.boxHeight = 22;
    d.groupCaption = QStringLiteral("  PROCEDIMENTOS  DO  CID10  ");
    d.codesName = QStringLiteral("qryCid10");
    d.codesSql = "select * from TB_CID";
    d.codes = {"TB_CID", "cid_cod", "cid_descr", 4};
    d.codeField = QStringLiteral("CID_COD");
    d.codeColumns = {FieldDef{QStringLiteral("CID_COD"), QStringLiteral("CID10")},
                     FieldDef{QStringLiteral("CID_DESCR"), QStringLiteral("Descrição"), 619},
                     FieldDef{QStringLiteral("CID_RESTRSEXO"), QStringLiteral("Sexo")}};
    d.proceduresName = QStringLiteral("qryProcsCid10Geral");
    d.proceduresSql = "select tb_cid_proc.*,tb_proc.proc_descr desc_proc\n"
                      "from TB_CID_PROC,TB_PROC\n"
                      "where cp_cid=:cp_cid\n"
                      "and tb_cid_proc.cp_proc=tb_proc.proc_cod";
    d.procedures = {"select tb_cid_proc.*,tb_proc.proc_descr desc_proc from TB_CID_PROC,TB_PROC"
                    " where cp_cid=:cp_cid and tb_cid_proc.cp_proc=tb_proc.proc_cod",
                    "cp_proc", 10};
    d.codeParam = "cp_cid";
    d.procedureField = QStringLiteral("CP_PROC");
    d.procedureColumns = {FieldDef{QStringLiteral("CP_PROC"), QStringLiteral("Procedimento")},
                          FieldDef{QStringLiteral("DESC_PROC"), QStringLiteral("Descrição"), 605}};
    // Closing this window closes only the diagnosis list.
    d.closeProceduresOnClose = false;
    return d;
}

} // namespace

TfrmCid10::TfrmCid10(kdb::Connection& connection, std::function<void(const QString&)> handBack, QWidget* parent)
    : LookupWindow(cid10Design(), connection, std::move(handBack), parent)
{
}
