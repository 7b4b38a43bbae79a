#pragma once
// Every fixed statement of the program, each named once, with the names of
// its parameters beside it. Lines are joined by line breaks as they are
// sent; statements built at run time start from these (model/procsearch,
// model/lookupsearch, model/reportdata).

#include <string>

namespace korvane::statements {

// A statement whose one parameter is bound to a code before it opens.
struct Bound {
    std::string sql;
    const char* param;
};

inline constexpr const char* kVersao = "select * from VERSAO";
// Changes with every load (a competência added, a month published again)
// and with the competência the attachment consults.
inline constexpr const char* kReleaseStamp =
    "select (select list(CMPT || coalesce(PUBLICACAO, '') || CARREGADA, ',') from HIST_RELEASE) || '@' || "
    "KORVANE_COMPETENCIA() from rdb$database";

// --- the hierarchy lookups -------------------------------------------------
inline constexpr const char* kGrupo = "select * from TB_GRUPO\n"
                                      "order by codigo";
inline const Bound kSubGrupo{"select * from TB_SUB_GRUPO\n"
                             "where sg_cod_gr=:sg_cod_gr\n"
                             "order by subgrupo",
                             "sg_cod_gr"};
inline constexpr const char* kFoGrupoParam = "grupo";
inline constexpr const char* kFoSubGrupoParam = "subgrupo";
inline constexpr const char* kFo = "select * from TB_FO\n"
                                   "where grupo=:grupo\n"
                                   "and subgrupo=:subgrupo\n"
                                   "order by fo ";

// --- procedures --------------------------------------------------------------
// Every procedure with its financing name; a procedure without a financing
// row keeps its place with the name empty.
inline constexpr const char* kProcedureWithFinancing =
    "select tb_proc.*,financ_descr from tb_proc left join tb_financiamento on "
    "(tb_proc.proc_co_financ=tb_financiamento.financ_cod)";
// Every procedure that has a financing row, until the first search.
inline constexpr const char* kTbProcInitial = "select tb_proc.*,financ_descr\n"
                                              "from tb_proc,tb_financiamento\n"
                                              "where tb_proc.proc_co_financ=tb_financiamento.financ_cod";

// --- what is tied to the current procedure -----------------------------------
// The three pages that search their own lists start from these without the
// ordering (model/procsearch).
inline const Bound kProccid10Unordered{"select tb_cid_proc.*,cid_descr,cid_restrsexo \n"
                                       "from TB_CID_PROC,TB_CID\n"
                                       "where cp_proc =:cp_proc\n"
                                       "and tb_cid_proc.cp_cid=tb_cid.cid_cod",
                                       "cp_proc"};
inline const Bound kProccid10{kProccid10Unordered.sql + "\norder by cp_cid", "cp_proc"};
inline const Bound kProccbos{"select tb_proc_cbo.*,cbo_descr\n"
                             "from TB_PROC_CBO,TB_CBO \n"
                             "where pcbo_proc =:pcbo_proc\n"
                             "and tb_proc_cbo.pcbo_cbo=tb_cbo.cbo_cod",
                             "pcbo_proc"};
// The sheet prints a procedure's occupations in code order.
inline const Bound kProccbosOrdered{kProccbos.sql + "\norder by pcbo_cbo", "pcbo_proc"};
inline const Bound kProcespecialidades{"select tb_proc_espec.*,cl_descr \n"
                                       "from TB_PROC_ESPEC,TB_CLINICA\n"
                                       "where pe_proc=:pe_proc\n"
                                       "and tb_proc_espec.pe_espec=tb_clinica.cl_cod",
                                       "pe_proc"};
inline const Bound kProcopm{"select tb_proc_comp.*,proc_descr,proc_qtd_max,proc_vl_sh\n"
                            "from TB_PROC_COMP,TB_PROC\n"
                            "where pc_proc_princ =:pc_proc_princ\n"
                            "and tb_proc_comp.pc_proc_sec=tb_proc.proc_cod",
                            "pc_proc_princ"};
inline const Bound kProcmodalidade{"select tb_proc_mod.*,mod_descr \n"
                                   "from TB_PROC_MOD,TB_MODALIDADE\n"
                                   "where pm_proc =:pm_proc\n"
                                   "and tb_proc_mod.pm_mod=tb_modalidade.mod_cod",
                                   "pm_proc"};
inline const Bound kProcregistro{"select tb_proc_reg.*,reg_descr \n"
                                 "from TB_PROC_REG,TB_REGISTRO\n"
                                 "where pr_proc =:pr_proc\n"
                                 "and tb_proc_reg.pr_reg=tb_registro.reg_cod",
                                 "pr_proc"};
inline const Bound kAtributoComplentar{"select tb_proc_detalhe.*,tb_Detalhe.descricao \n"
                                       "from TB_PROC_DETALHE,TB_DETALHE\n"
                                       "where procedimento=:procedimento\n"
                                       "and tb_proc_detalhe.detalhe=tb_detalhe.codigo",
                                       "procedimento"};
inline const Bound kProcdetalhe{"select tb_check.*,cl_descr\n"
                                "from TB_CHECK,TB_CHECK_LIST\n"
                                "where ch_proc =:ch_proc\n"
                                "and tb_check.ch_cod=tb_check_list.cl_cod",
                                "ch_proc"};
inline const Bound kProchabilitacao{"select TB_PROC_HAB_INCR.*,hab_descricao \n"
                                    "from TB_PROC_HAB_INCR,TB_HABILITACAO \n"
                                    "where incr_proc =:incr_proc\n"
                                    "and tb_proc_hab_incr.incr_codigo=tb_habilitacao.hab_codigo",
                                    "incr_proc"};
inline const Bound kProcsDaOpm{"select TB_PROC_COMP.*,TB_PROC.PROC_DESCR,PROC_VL_SH,\n"
                               "PROC_VL_SP \n"
                               "from TB_PROC_COMP, TB_PROC\n"
                               "where pc_proc_sec=:pc_proc_sec\n"
                               "and tb_proc_comp.pc_proc_princ=tb_proc.proc_cod",
                               "pc_proc_sec"};
inline const Bound kProc_Habilitacao{"select tb_proc_habilitacao.*,tb_habilitacao.hab_descricao\n"
                                     "from TB_PROC_HABILITACAO,TB_HABILITACAO\n"
                                     "where tb_proc_habilitacao.procedimento=:procedimento\n"
                                     "and tb_proc_habilitacao.habilitacao=tb_habilitacao.hab_codigo",
                                     "procedimento"};
inline const Bound kProcServicoClassificacao{
    "select tb_proc_serv_class.*,tb_servico.serv_descr,tb_serv_class.sc_descr desc_classif\n"
    "from TB_PROC_SERV_CLASS,TB_SERVICO,tb_serv_class\n"
    "where tb_proc_serv_class.ps_proc=:ps_proc\n"
    "and tb_proc_serv_class.ps_servico=tb_servico.serv_cod\n"
    "and tb_proc_serv_class.ps_classif=tb_serv_class.sc_class_cod\n"
    "and tb_proc_serv_class.ps_servico=tb_serv_class.sc_serv_cod",
    "ps_proc"};
// The lists of the later release files. Each is searchable on its page and
// ordered where it is listed whole (the sheet).
inline const Bound kProcTuss{"select tb_proc_tuss.*,tuss_descr\n"
                             "from TB_PROC_TUSS,TB_TUSS\n"
                             "where pt_proc =:pt_proc\n"
                             "and tb_proc_tuss.pt_tuss=tb_tuss.tuss_cod",
                             "pt_proc"};
// A release may repeat a line of rl_procedimento_renases.txt: shown once.
inline const Bound kProcRenases{"select distinct tb_proc_renases.*,ren_descr\n"
                                "from TB_PROC_RENASES,TB_RENASES\n"
                                "where prn_proc =:prn_proc\n"
                                "and tb_proc_renases.prn_renases=tb_renases.ren_cod",
                                "prn_proc"};
inline const Bound kProcRedes{"select tb_proc_comp_rede.*,comp_descr,comp_rede,rede_descr\n"
                              "from TB_PROC_COMP_REDE,TB_COMPONENTE_REDE,TB_REDE_ATENCAO\n"
                              "where pcr_proc =:pcr_proc\n"
                              "and tb_proc_comp_rede.pcr_componente=tb_componente_rede.comp_cod\n"
                              "and tb_componente_rede.comp_rede=tb_rede_atencao.rede_cod",
                              "pcr_proc"};
inline const Bound kProcOrigem{"select tb_proc_origem.*,proc_descr\n"
                               "from TB_PROC_ORIGEM,TB_PROC\n"
                               "where po_proc =:po_proc\n"
                               "and tb_proc_origem.po_proc_origem=tb_proc.proc_cod",
                               "po_proc"};
inline const Bound kProcRegrasCond{"select tb_proc_regra_cond.*,rc_descr,rc_detalhe\n"
                                   "from TB_PROC_REGRA_COND,TB_REGRA_COND\n"
                                   "where prc_proc =:prc_proc\n"
                                   "and tb_proc_regra_cond.prc_regra=tb_regra_cond.rc_cod",
                                   "prc_proc"};
// The compatibility exceptions whose restricting procedure
// (CO_PROCEDIMENTO_RESTRICAO) is the current one, with the names of the
// principal and the compatible procedure they name; a code missing from
// the procedures keeps its row with the name empty.
inline const Bound kProcExcecoes{"select tb_excecao_comp.*,princ.proc_descr desc_princ,compat.proc_descr desc_compat\n"
                                 "from TB_EXCECAO_COMP\n"
                                 "left join TB_PROC princ on princ.proc_cod=tb_excecao_comp.ec_proc_princ\n"
                                 "left join TB_PROC compat on compat.proc_cod=tb_excecao_comp.ec_proc_comp\n"
                                 "where ec_proc_restr =:ec_proc_restr",
                                 "ec_proc_restr"};
inline const Bound kDescricoes{"select * from TB_DESCRICOES\n"
                               "where procedimento=:procedimento",
                               "procedimento"};

// --- whole tables, for the reports and the lookup windows ---------------------
inline constexpr const char* kCid10Geral = "select * from TB_CID";
inline constexpr const char* kCbosGeral = "select * from TB_CBO";
inline constexpr const char* kCadastroDetalhes = "select * from TB_DETALHE";
inline constexpr const char* kFinanciamento = "select * from TB_FINANCIAMENTO";

// The procedures of one diagnosis (main window reports and the CID-10
// window) and of one occupation (the CBO window).
inline const Bound kProcsCid10Geral{"select tb_cid_proc.*,tb_proc.proc_descr desc_proc\n"
                                    "from TB_CID_PROC,TB_PROC\n"
                                    "where cp_cid=:cp_cid\n"
                                    "and tb_cid_proc.cp_proc=tb_proc.proc_cod",
                                    "cp_cid"};
inline const Bound kProcsCbosGeral{"select tb_proc_cbo.*,tb_proc.proc_descr desc_proc\n"
                                   "from TB_PROC_CBO,TB_PROC\n"
                                   "where pcbo_cbo=:pcbo_cbo\n"
                                   "and tb_proc_cbo.pcbo_proc=tb_proc.proc_cod",
                                   "pcbo_cbo"};

// --- reports ---------------------------------------------------------------------
// The head of both procedure lists; the hierarchy and the order follow.
inline constexpr const char* kImpProcGeral = "select * from tb_proc where proc_cod<>''";
// The sheet's one procedure.
inline const Bound kImpProcIndi{std::string(kProcedureWithFinancing) + " where proc_cod=:proc_cod", "proc_cod"};

} // namespace korvane::statements
