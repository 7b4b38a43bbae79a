#include "layouts.h"

#include <array>

namespace korvane {
namespace {

using T = Treatment;
constexpr bool R = true;    // required
constexpr bool O = false;   // optional

// 1 rl_procedimento_cid.txt
constexpr std::array<const char*, 5> cidProcCols{"CP_CID", "CP_CMPT_FIM", "CP_CMPT_INI", "CP_PROC", "CP_ST_PRINCIPAL"};
constexpr std::array<FieldSpec, 4> cidProcFields{{
    {1, 10, T::CodeText, "CP_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 4, T::CodeText, "CP_CID", "CO_CID", 4, R},
    {15, 1, T::CodeText, "CP_ST_PRINCIPAL", "ST_PRINCIPAL", 1, O},
    {16, 6, T::CodeText, "CP_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 2 tb_ocupacao.txt
constexpr std::array<const char*, 4> cboCols{"CBO_CMPT_FIM", "CBO_CMPT_INI", "CBO_COD", "CBO_DESCR"};
constexpr std::array<FieldSpec, 2> cboFields{{
    {1, 6, T::CodeText, "CBO_COD", "CO_OCUPACAO", 6, R},
    {7, 150, T::UpperNameText, "CBO_DESCR", "NO_OCUPACAO", 600, R},
}};

// 3 rl_procedimento_ocupacao.txt
constexpr std::array<const char*, 4> procCboCols{"PCBO_CBO", "PCBO_CMPT_FIM", "PCBO_CMPT_INI", "PCBO_PROC"};
constexpr std::array<FieldSpec, 3> procCboFields{{
    {1, 10, T::CodeText, "PCBO_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 6, T::CodeText, "PCBO_CBO", "CO_OCUPACAO", 6, R},
    {17, 6, T::CodeText, "PCBO_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 4 rl_procedimento_compativel.txt
constexpr std::array<const char*, 8> compCols{"PC_CMPT_FIM",   "PC_CMPT_INI", "PC_PROC_PRINC", "PC_PROC_SEC",
                                              "PC_QT_PERMITIDA", "PC_REG_PRINC", "PC_REG_SEC",   "PC_TP_COMPAT"};
constexpr std::array<FieldSpec, 7> compFields{{
    {1, 10, T::CodeText, "PC_PROC_PRINC", "CO_PROCEDIMENTO_PRINCIPAL", 10, R},
    {11, 2, T::CodeText, "PC_REG_PRINC", "CO_REGISTRO_PRINCIPAL", 2, R},
    {13, 10, T::CodeText, "PC_PROC_SEC", "CO_PROCEDIMENTO_COMPATIVEL", 10, R},
    {23, 2, T::CodeText, "PC_REG_SEC", "CO_REGISTRO_COMPATIVEL", 2, R},
    {25, 1, T::CodeText, "PC_TP_COMPAT", "TP_COMPATIBILIDADE", 1, R},
    {26, 4, T::Integer, "PC_QT_PERMITIDA", "QT_PERMITIDA", 0, R},
    {30, 6, T::CodeText, "PC_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 5 tb_procedimento.txt
// The ages go twice: in whole years as they always did, and in months as
// the release gives them, which is what the windows and reports show.
constexpr std::array<const char*, 19> procCols{
    "COD_REDUZIDO",   "PROC_CMPT_FIM", "PROC_CMPT_INI",  "PROC_CO_FINANC", "PROC_CO_RUBRICA", "PROC_COD",
    "PROC_COMPLEX",   "PROC_DESCR",    "PROC_IDADE_MAX", "PROC_IDADE_MIN", "PROC_QTD_DIAS",   "PROC_QTD_MAX",
    "PROC_QTD_PONTOS", "PROC_SEXO",    "PROC_VL_SA",     "PROC_VL_SH",     "PROC_VL_SP",
    "PROC_IDADE_MAX_MESES", "PROC_IDADE_MIN_MESES"};
constexpr std::array<FieldSpec, 17> procFields{{
    {1, 10, T::CodeText, "PROC_COD", "CO_PROCEDIMENTO", 10, R},
    {11, 250, T::UpperNameText, "PROC_DESCR", "NO_PROCEDIMENTO", 250, O},
    {261, 1, T::CodeText, "PROC_COMPLEX", "TP_COMPLEXIDADE", 1, O},
    {262, 1, T::CodeText, "PROC_SEXO", "TP_SEXO", 1, O},
    {263, 4, T::Integer, "PROC_QTD_MAX", "QT_MAXIMA_EXECUCAO", 0, O},
    {267, 4, T::Integer, "PROC_QTD_DIAS", "QT_DIAS_PERMANENCIA", 0, O},
    {271, 4, T::Integer, "PROC_QTD_PONTOS", "QT_PONTOS", 0, O},
    {275, 4, T::Age, "PROC_IDADE_MIN", "VL_IDADE_MINIMA", 0, O},
    {279, 4, T::Age, "PROC_IDADE_MAX", "VL_IDADE_MAXIMA", 0, O},
    {283, 10, T::Money, "PROC_VL_SH", "VL_SH", 0, O},
    {293, 10, T::Money, "PROC_VL_SA", "VL_SA", 0, O},
    {303, 10, T::Money, "PROC_VL_SP", "VL_SP", 0, O},
    {313, 2, T::CodeText, "PROC_CO_FINANC", "CO_FINANCIAMENTO", 2, O},
    {315, 6, T::CodeText, "PROC_CO_RUBRICA", "CO_RUBRICA", 6, O},
    {325, 6, T::CodeText, "PROC_CMPT_FIM", "DT_COMPETENCIA", 6, O},
    {275, 4, T::Integer, "PROC_IDADE_MIN_MESES", "VL_IDADE_MINIMA", 0, O},
    {279, 4, T::Integer, "PROC_IDADE_MAX_MESES", "VL_IDADE_MAXIMA", 0, O},
}};

// 6 rl_procedimento_leito.txt
constexpr std::array<const char*, 4> especCols{"PE_CMPT_FIM", "PE_CMPT_INI", "PE_ESPEC", "PE_PROC"};
constexpr std::array<FieldSpec, 3> especFields{{
    {1, 10, T::CodeText, "PE_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 2, T::CodeText, "PE_ESPEC", "CO_TIPO_LEITO", 2, R},
    {13, 6, T::CodeText, "PE_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 7 rl_procedimento_incremento.txt; the competência stands after the three
// percentages (SH 15-21, SA 22-28, SP 29-35), at 36-41.
constexpr std::array<const char*, 6> incrCols{"INCR_CMPT_FIM", "INCR_CMPT_INI", "INCR_CODIGO",
                                              "INCR_PERC_SH",  "INCR_PERC_SP",  "INCR_PROC"};
constexpr std::array<FieldSpec, 5> incrFields{{
    {1, 10, T::CodeText, "INCR_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 4, T::CodeText, "INCR_CODIGO", "CO_HABILITACAO", 4, R},
    {15, 7, T::Money, "INCR_PERC_SH", "VL_PERCENTUAL_SH", 0, O},
    {29, 7, T::Money, "INCR_PERC_SP", "VL_PERCENTUAL_SP", 0, O},
    {36, 6, T::CodeText, "INCR_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 8 rl_procedimento_modalidade.txt
constexpr std::array<const char*, 4> modCols{"PM_CMPT_FIM", "PM_CMPT_INI", "PM_MOD", "PM_PROC"};
constexpr std::array<FieldSpec, 3> modFields{{
    {1, 10, T::CodeText, "PM_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 2, T::CodeText, "PM_MOD", "CO_MODALIDADE", 2, R},
    {13, 6, T::CodeText, "PM_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 9 rl_procedimento_registro.txt
constexpr std::array<const char*, 4> regCols{"PR_CMPT_FIM", "PR_CMPT_INI", "PR_PROC", "PR_REG"};
constexpr std::array<FieldSpec, 3> regFields{{
    {1, 10, T::CodeText, "PR_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 2, T::CodeText, "PR_REG", "CO_REGISTRO", 2, R},
    {13, 6, T::CodeText, "PR_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 10 rl_procedimento_servico.txt
constexpr std::array<const char*, 5> servClassCols{"PS_CLASSIF", "PS_CMPT_FIM", "PS_CMPT_INI", "PS_PROC", "PS_SERVICO"};
constexpr std::array<FieldSpec, 4> servClassFields{{
    {1, 10, T::CodeText, "PS_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 3, T::CodeText, "PS_SERVICO", "CO_SERVICO", 3, R},
    {14, 3, T::CodeText, "PS_CLASSIF", "CO_CLASSIFICACAO", 3, R},
    {17, 6, T::CodeText, "PS_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 11 tb_registro.txt
constexpr std::array<const char*, 2> registroCols{"REG_COD", "REG_DESCR"};
constexpr std::array<FieldSpec, 2> registroFields{{
    {1, 2, T::CodeText, "REG_COD", "CO_REGISTRO", 2, R},
    {3, 50, T::NameText, "REG_DESCR", "NO_REGISTRO", 50, R},
}};

// 12 tb_servico.txt
constexpr std::array<const char*, 4> servicoCols{"SERV_CMPT_FIM", "SERV_CMPT_INI", "SERV_COD", "SERV_DESCR"};
constexpr std::array<FieldSpec, 3> servicoFields{{
    {1, 3, T::CodeText, "SERV_COD", "CO_SERVICO", 3, R},
    {4, 120, T::NameText, "SERV_DESCR", "NO_SERVICO", 120, R},
    {124, 6, T::CodeText, "SERV_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 13 tb_servico_classificacao.txt
constexpr std::array<const char*, 5> scCols{"SC_CLASS_COD", "SC_CMPT_FIM", "SC_CMPT_INI", "SC_DESCR", "SC_SERV_COD"};
constexpr std::array<FieldSpec, 4> scFields{{
    {1, 3, T::CodeText, "SC_SERV_COD", "CO_SERVICO", 3, R},
    {4, 3, T::CodeText, "SC_CLASS_COD", "CO_CLASSIFICACAO", 3, R},
    {7, 150, T::NameText, "SC_DESCR", "NO_CLASSIFICACAO", 150, R},
    {157, 6, T::CodeText, "SC_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 14 tb_grupo.txt
constexpr std::array<const char*, 3> grupoCols{"CODIGO", "GRUPO_COD_GR", "GRUPO_DESCR"};
constexpr std::array<FieldSpec, 3> grupoFields{{
    {1, 2, T::Integer, "GRUPO_COD_GR", "CO_GRUPO", 0, R},
    {1, 2, T::TwoDigitCode, "CODIGO", "CO_GRUPO", 2, O},
    {3, 100, T::NameText, "GRUPO_DESCR", "NO_GRUPO", 105, R, "CODIGO"},
}};

// 15 tb_sub_grupo.txt
constexpr std::array<const char*, 5> subGrupoCols{"GRUPO", "SG_COD_GR", "SG_COD_SUB", "SG_DESCR", "SUBGRUPO"};
constexpr std::array<FieldSpec, 5> subGrupoFields{{
    {1, 2, T::Integer, "SG_COD_GR", "CO_GRUPO", 0, R},
    {3, 2, T::Integer, "SG_COD_SUB", "CO_SUB_GRUPO", 0, R},
    {1, 2, T::TwoDigitCode, "GRUPO", "CO_GRUPO", 2, O},
    {3, 2, T::TwoDigitCode, "SUBGRUPO", "CO_SUB_GRUPO", 2, O},
    {5, 100, T::NameText, "SG_DESCR", "NO_SUB_GRUPO", 105, R, "SUBGRUPO"},
}};

// 16 tb_forma_organizacao.txt
constexpr std::array<const char*, 7> foCols{"FO", "FO_COD_FO", "FO_COD_GR", "FO_COD_SUB", "FO_DESCR", "GRUPO", "SUBGRUPO"};
constexpr std::array<FieldSpec, 7> foFields{{
    {1, 2, T::Integer, "FO_COD_GR", "CO_GRUPO", 0, R},
    {3, 2, T::Integer, "FO_COD_SUB", "CO_SUB_GRUPO", 0, R},
    {5, 2, T::Integer, "FO_COD_FO", "CO_FORMA_ORGANIZACAO", 0, R},
    {1, 2, T::TwoDigitCode, "GRUPO", "CO_GRUPO", 2, O},
    {3, 2, T::TwoDigitCode, "SUBGRUPO", "CO_SUB_GRUPO", 2, O},
    {5, 2, T::TwoDigitCode, "FO", "CO_FORMA_ORGANIZACAO", 2, O},
    {7, 100, T::NameText, "FO_DESCR", "NO_FORMA_ORGANIZACAO", 105, O, "FO"},
}};

// 17 tb_tipo_leito.txt
constexpr std::array<const char*, 2> clinicaCols{"CL_COD", "CL_DESCR"};
constexpr std::array<FieldSpec, 2> clinicaFields{{
    {1, 2, T::CodeText, "CL_COD", "CO_TIPO_LEITO", 2, R},
    {3, 60, T::NameText, "CL_DESCR", "NO_TIPO_LEITO", 60, R},
}};

// 18 tb_habilitacao.txt
constexpr std::array<const char*, 4> habCols{"HAB_CMPT_FIM", "HAB_CMPT_INI", "HAB_CODIGO", "HAB_DESCRICAO"};
constexpr std::array<FieldSpec, 3> habFields{{
    {1, 4, T::CodeText, "HAB_CODIGO", "CO_HABILITACAO", 4, R},
    {5, 150, T::NameText, "HAB_DESCRICAO", "NO_HABILITACAO", 150, R},
    {155, 6, T::CodeText, "HAB_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 19 tb_modalidade.txt
constexpr std::array<const char*, 2> modalidadeCols{"MOD_COD", "MOD_DESCR"};
constexpr std::array<FieldSpec, 2> modalidadeFields{{
    {1, 2, T::CodeText, "MOD_COD", "CO_MODALIDADE", 2, R},
    {3, 100, T::NameText, "MOD_DESCR", "NO_MODALIDADE", 100, R},
}};

// 20 tb_descricao.txt: the text keeps its accents and case.
constexpr std::array<const char*, 2> descrCols{"DETALHES", "PROCEDIMENTO"};
constexpr std::array<FieldSpec, 2> descrFields{{
    {1, 10, T::CodeText, "PROCEDIMENTO", "CO_PROCEDIMENTO", 10, O},
    {11, 4000, T::CodeText, "DETALHES", "DS_PROCEDIMENTO", 0, O},
}};

// 21 rl_procedimento_habilitacao.txt
constexpr std::array<const char*, 3> procHabCols{"GRUPO_HABILITACAO", "HABILITACAO", "PROCEDIMENTO"};
constexpr std::array<FieldSpec, 3> procHabFields{{
    {1, 10, T::CodeText, "PROCEDIMENTO", "CO_PROCEDIMENTO", 10, R},
    {11, 4, T::CodeText, "HABILITACAO", "CO_HABILITACAO", 4, R},
    {15, 4, T::CodeText, "GRUPO_HABILITACAO", "NU_GRUPO_HABILITACAO", 4, O},
}};

// 22 tb_grupo_habilitacao.txt
constexpr std::array<const char*, 3> grupoHabCols{"CODIGOS_GRUPO", "DESCRICAO", "GRUPO"};
constexpr std::array<FieldSpec, 3> grupoHabFields{{
    {1, 4, T::CodeText, "GRUPO", "NU_GRUPO_HABILITACAO", 4, R},
    {5, 20, T::CodeText, "CODIGOS_GRUPO", "NO_GRUPO_HABILITACAO", 20, O},
    {25, 250, T::NameText, "DESCRICAO", "DS_GRUPO_HABILITACAO", 250, O},
}};

// 23 tb_detalhe.txt
constexpr std::array<const char*, 2> detalheCols{"CODIGO", "DESCRICAO"};
constexpr std::array<FieldSpec, 2> detalheFields{{
    {1, 3, T::CodeText, "CODIGO", "CO_DETALHE", 3, R},
    {4, 100, T::NameText, "DESCRICAO", "NO_DETALHE", 100, O},
}};

// 24 rl_procedimento_detalhe.txt
constexpr std::array<const char*, 2> procDetCols{"DETALHE", "PROCEDIMENTO"};
constexpr std::array<FieldSpec, 2> procDetFields{{
    {1, 10, T::CodeText, "PROCEDIMENTO", "CO_PROCEDIMENTO", 10, O},
    {11, 3, T::CodeText, "DETALHE", "CO_DETALHE", 3, O},
}};

// The files that came later. Their names and texts keep the release's
// accents and case (CodeText only trims), as the official consultation
// shows them.

// 25 tb_tuss.txt
constexpr std::array<const char*, 2> tussCols{"TUSS_COD", "TUSS_DESCR"};
constexpr std::array<FieldSpec, 2> tussFields{{
    {1, 10, T::CodeText, "TUSS_COD", "CO_TUSS", 10, R},
    {11, 450, T::CodeText, "TUSS_DESCR", "NO_TUSS", 450, O},
}};

// 26 rl_procedimento_tuss.txt
constexpr std::array<const char*, 2> procTussCols{"PT_PROC", "PT_TUSS"};
constexpr std::array<FieldSpec, 2> procTussFields{{
    {1, 10, T::CodeText, "PT_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 10, T::CodeText, "PT_TUSS", "CO_TUSS", 10, R},
}};

// 27 tb_renases.txt
constexpr std::array<const char*, 2> renasesCols{"REN_COD", "REN_DESCR"};
constexpr std::array<FieldSpec, 2> renasesFields{{
    {1, 10, T::CodeText, "REN_COD", "CO_RENASES", 10, R},
    {11, 150, T::CodeText, "REN_DESCR", "NO_RENASES", 150, O},
}};

// 28 rl_procedimento_renases.txt
constexpr std::array<const char*, 2> procRenasesCols{"PRN_PROC", "PRN_RENASES"};
constexpr std::array<FieldSpec, 2> procRenasesFields{{
    {1, 10, T::CodeText, "PRN_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 10, T::CodeText, "PRN_RENASES", "CO_RENASES", 10, R},
}};

// 29 tb_rede_atencao.txt
constexpr std::array<const char*, 2> redeCols{"REDE_COD", "REDE_DESCR"};
constexpr std::array<FieldSpec, 2> redeFields{{
    {1, 3, T::CodeText, "REDE_COD", "CO_REDE_ATENCAO", 3, R},
    {4, 50, T::CodeText, "REDE_DESCR", "NO_REDE_ATENCAO", 50, O},
}};

// 30 tb_componente_rede.txt
constexpr std::array<const char*, 3> componenteCols{"COMP_COD", "COMP_DESCR", "COMP_REDE"};
constexpr std::array<FieldSpec, 3> componenteFields{{
    {1, 10, T::CodeText, "COMP_COD", "CO_COMPONENTE_REDE", 10, R},
    {11, 150, T::CodeText, "COMP_DESCR", "NO_COMPONENTE_REDE", 150, O},
    {161, 3, T::CodeText, "COMP_REDE", "CO_REDE_ATENCAO", 3, O},
}};

// 31 rl_procedimento_comp_rede.txt
constexpr std::array<const char*, 2> procRedeCols{"PCR_COMPONENTE", "PCR_PROC"};
constexpr std::array<FieldSpec, 2> procRedeFields{{
    {1, 10, T::CodeText, "PCR_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 10, T::CodeText, "PCR_COMPONENTE", "CO_COMPONENTE_REDE", 10, R},
}};

// 32 rl_procedimento_origem.txt
constexpr std::array<const char*, 4> origemCols{"PO_CMPT_FIM", "PO_CMPT_INI", "PO_PROC", "PO_PROC_ORIGEM"};
constexpr std::array<FieldSpec, 3> origemFields{{
    {1, 10, T::CodeText, "PO_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 10, T::CodeText, "PO_PROC_ORIGEM", "CO_PROCEDIMENTO_ORIGEM", 10, R},
    {21, 6, T::CodeText, "PO_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 33 tb_regra_condicionada.txt
constexpr std::array<const char*, 3> regraCols{"RC_COD", "RC_DESCR", "RC_DETALHE"};
constexpr std::array<FieldSpec, 3> regraFields{{
    {1, 4, T::CodeText, "RC_COD", "CO_REGRA_CONDICIONADA", 4, R},
    {5, 150, T::CodeText, "RC_DESCR", "NO_REGRA_CONDICIONADA", 150, O},
    {155, 4000, T::CodeText, "RC_DETALHE", "DS_REGRA_CONDICIONADA", 4000, O},
}};

// 34 rl_procedimento_regra_cond.txt
constexpr std::array<const char*, 2> procRegraCols{"PRC_PROC", "PRC_REGRA"};
constexpr std::array<FieldSpec, 2> procRegraFields{{
    {1, 10, T::CodeText, "PRC_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 4, T::CodeText, "PRC_REGRA", "CO_REGRA_CONDICIONADA", 4, R},
}};

// 35 rl_excecao_compatibilidade.txt
constexpr std::array<const char*, 8> excecaoCols{"EC_CMPT_FIM",  "EC_CMPT_INI", "EC_PROC_COMP", "EC_PROC_PRINC",
                                                 "EC_PROC_RESTR", "EC_REG_COMP", "EC_REG_PRINC", "EC_TP_COMPAT"};
constexpr std::array<FieldSpec, 7> excecaoFields{{
    {1, 10, T::CodeText, "EC_PROC_RESTR", "CO_PROCEDIMENTO_RESTRICAO", 10, R},
    {11, 10, T::CodeText, "EC_PROC_PRINC", "CO_PROCEDIMENTO_PRINCIPAL", 10, R},
    {21, 2, T::CodeText, "EC_REG_PRINC", "CO_REGISTRO_PRINCIPAL", 2, R},
    {23, 10, T::CodeText, "EC_PROC_COMP", "CO_PROCEDIMENTO_COMPATIVEL", 10, R},
    {33, 2, T::CodeText, "EC_REG_COMP", "CO_REGISTRO_COMPATIVEL", 2, R},
    {35, 1, T::CodeText, "EC_TP_COMPAT", "TP_COMPATIBILIDADE", 1, R},
    {36, 6, T::CodeText, "EC_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 36 tb_sia_sih.txt
constexpr std::array<const char*, 5> siaSihCols{"SS_CMPT_FIM", "SS_CMPT_INI", "SS_COD", "SS_DESCR", "SS_TIPO"};
constexpr std::array<FieldSpec, 4> siaSihFields{{
    {1, 10, T::CodeText, "SS_COD", "CO_PROCEDIMENTO_SIA_SIH", 10, R},
    {11, 100, T::CodeText, "SS_DESCR", "NO_PROCEDIMENTO_SIA_SIH", 100, O},
    {111, 1, T::CodeText, "SS_TIPO", "TP_PROCEDIMENTO", 1, R},
    {112, 6, T::CodeText, "SS_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 37 rl_procedimento_sia_sih.txt
constexpr std::array<const char*, 5> procSiaSihCols{"PSS_CMPT_FIM", "PSS_CMPT_INI", "PSS_PROC", "PSS_SIA_SIH", "PSS_TIPO"};
constexpr std::array<FieldSpec, 4> procSiaSihFields{{
    {1, 10, T::CodeText, "PSS_PROC", "CO_PROCEDIMENTO", 10, R},
    {11, 10, T::CodeText, "PSS_SIA_SIH", "CO_PROCEDIMENTO_SIA_SIH", 10, R},
    {21, 1, T::CodeText, "PSS_TIPO", "TP_PROCEDIMENTO", 1, R},
    {22, 6, T::CodeText, "PSS_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 38 tb_rubrica.txt
constexpr std::array<const char*, 4> rubricaCols{"RUB_CMPT_FIM", "RUB_CMPT_INI", "RUB_COD", "RUB_DESCR"};
constexpr std::array<FieldSpec, 3> rubricaFields{{
    {1, 6, T::CodeText, "RUB_COD", "CO_RUBRICA", 6, R},
    {7, 100, T::CodeText, "RUB_DESCR", "NO_RUBRICA", 100, O},
    {107, 6, T::CodeText, "RUB_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

// 39 tb_descricao_detalhe.txt
constexpr std::array<const char*, 4> descrDetalheCols{"DD_CMPT_FIM", "DD_CMPT_INI", "DD_DESCR", "DD_DETALHE"};
constexpr std::array<FieldSpec, 3> descrDetalheFields{{
    {1, 3, T::CodeText, "DD_DETALHE", "CO_DETALHE", 3, R},
    {4, 4000, T::CodeText, "DD_DESCR", "DS_DETALHE", 4000, O},
    {4004, 6, T::CodeText, "DD_CMPT_FIM", "DT_COMPETENCIA", 6, O},
}};

constexpr bool Later = true;   // a file older releases lack

const std::array<TableLayout, 39> kLayouts{{
    {1, "rl_procedimento_cid.txt", "TB_CID_PROC", "TB_CID_PROC", "delete from TB_CID_PROC", cidProcCols, cidProcFields},
    {2, "tb_ocupacao.txt", "TB_CBO", "TB_CBO", "delete from TB_CBO", cboCols, cboFields},
    {3, "rl_procedimento_ocupacao.txt", "TB_PROC_CBO", "TB_PROC_CBO", "DELETE FROM TB_PROC_CBO", procCboCols, procCboFields},
    {4, "rl_procedimento_compativel.txt", "TB_PROC_COMP", "TB_PROC_COMP", "DELETE FROM TB_PROC_COMP", compCols, compFields},
    {5, "tb_procedimento.txt", "TB_PROC", "TB_PROC", "DELETE FROM TB_PROC", procCols, procFields},
    {6, "rl_procedimento_leito.txt", "TB_PROC_ESPEC", "TB_PROC_ESPEC", "DELETE FROM TB_PROC_ESPEC", especCols, especFields},
    {7, "rl_procedimento_incremento.txt", "TB_PROC_HAB_INCR", "TB_PROC_HAB_INCR", "delete  from TB_PROC_HAB_INCR", incrCols, incrFields},
    {8, "rl_procedimento_modalidade.txt", "TB_PROC_MOD", "TB_PROC_MOD", "delete from TB_PROC_MOD", modCols, modFields},
    {9, "rl_procedimento_registro.txt", "TB_PROC_REG", "TB_PROC_REG", "delete from TB_PROC_REG", regCols, regFields},
    {10, "rl_procedimento_servico.txt", "TB_PROC_SERV_CLASS", "TB_PROC_SERV_CLASS", "delete  from TB_PROC_SERV_CLASS", servClassCols, servClassFields},
    {11, "tb_registro.txt", "TB_REGISTRO", "TB_REGISTRO", "delete  from TB_REGISTRO", registroCols, registroFields},
    {12, "tb_servico.txt", "TB_SERVICO", "TB_SERVICO", "delete from tb_servico", servicoCols, servicoFields},
    {13, "tb_servico_classificacao.txt", "TB_SERV_CLASS", "TB_SERV_CLASS", "delete from tb_serv_class", scCols, scFields},
    {14, "tb_grupo.txt", "TB_GRUPO", "TB_GRUPO", "delete from tb_grupo", grupoCols, grupoFields},
    {15, "tb_sub_grupo.txt", "TB_SUB_GRUPO", "TB_SUB_GRUPO", "delete from tb_sub_grupo", subGrupoCols, subGrupoFields},
    {16, "tb_forma_organizacao.txt", "TB_FO", "TB_FO", "delete from tb_fo", foCols, foFields},
    {17, "tb_tipo_leito.txt", "TB_CLINICA", "TB_CLINICA", "delete from tb_clinica", clinicaCols, clinicaFields},
    {18, "tb_habilitacao.txt", "TB_HABILITACAO", "TB_HABILITACAO", "delete from tb_habilitacao", habCols, habFields},
    {19, "tb_modalidade.txt", "TB_MODALIDADE", "TB_MODALIDADE", "delete from tb_modalidade", modalidadeCols, modalidadeFields},
    {20, "tb_descricao.txt", "TB_DESCRICOES", "TB_DESCRICAO", "delete from tb_descricoes", descrCols, descrFields},
    {21, "rl_procedimento_habilitacao.txt", "TB_PROC_HABILITACAO", "TB_PROC_HABILITACAO", "delete from tb_proc_habilitacao", procHabCols, procHabFields},
    {22, "tb_grupo_habilitacao.txt", "TB_GRUPO_HABILITACAO", "TB_GRUPO_HABILITACAO", "delete from tb_grupo_habilitacao", grupoHabCols, grupoHabFields},
    {23, "tb_detalhe.txt", "TB_DETALHE", "TB_DETALHE", "delete from tb_detalhe", detalheCols, detalheFields},
    {24, "rl_procedimento_detalhe.txt", "TB_PROC_DETALHE", "TB_PROC_DETALHE", "delete from tb_proc_detalhe", procDetCols, procDetFields},
    {25, "tb_tuss.txt", "TB_TUSS", "TB_TUSS", "delete from tb_tuss", tussCols, tussFields, Later},
    {26, "rl_procedimento_tuss.txt", "TB_PROC_TUSS", "TB_PROC_TUSS", "delete from tb_proc_tuss", procTussCols, procTussFields, Later},
    {27, "tb_renases.txt", "TB_RENASES", "TB_RENASES", "delete from tb_renases", renasesCols, renasesFields, Later},
    {28, "rl_procedimento_renases.txt", "TB_PROC_RENASES", "TB_PROC_RENASES", "delete from tb_proc_renases", procRenasesCols, procRenasesFields, Later},
    {29, "tb_rede_atencao.txt", "TB_REDE_ATENCAO", "TB_REDE_ATENCAO", "delete from tb_rede_atencao", redeCols, redeFields, Later},
    {30, "tb_componente_rede.txt", "TB_COMPONENTE_REDE", "TB_COMPONENTE_REDE", "delete from tb_componente_rede", componenteCols, componenteFields, Later},
    {31, "rl_procedimento_comp_rede.txt", "TB_PROC_COMP_REDE", "TB_PROC_COMP_REDE", "delete from tb_proc_comp_rede", procRedeCols, procRedeFields, Later},
    {32, "rl_procedimento_origem.txt", "TB_PROC_ORIGEM", "TB_PROC_ORIGEM", "delete from tb_proc_origem", origemCols, origemFields, Later},
    {33, "tb_regra_condicionada.txt", "TB_REGRA_COND", "TB_REGRA_COND", "delete from tb_regra_cond", regraCols, regraFields, Later},
    {34, "rl_procedimento_regra_cond.txt", "TB_PROC_REGRA_COND", "TB_PROC_REGRA_COND", "delete from tb_proc_regra_cond", procRegraCols, procRegraFields, Later},
    {35, "rl_excecao_compatibilidade.txt", "TB_EXCECAO_COMP", "TB_EXCECAO_COMP", "delete from tb_excecao_comp", excecaoCols, excecaoFields, Later},
    {36, "tb_sia_sih.txt", "TB_SIA_SIH", "TB_SIA_SIH", "delete from tb_sia_sih", siaSihCols, siaSihFields, Later},
    {37, "rl_procedimento_sia_sih.txt", "TB_PROC_SIA_SIH", "TB_PROC_SIA_SIH", "delete from tb_proc_sia_sih", procSiaSihCols, procSiaSihFields, Later},
    {38, "tb_rubrica.txt", "TB_RUBRICA", "TB_RUBRICA", "delete from tb_rubrica", rubricaCols, rubricaFields, Later},
    {39, "tb_descricao_detalhe.txt", "TB_DESCRICAO_DETALHE", "TB_DESCRICAO_DETALHE", "delete from tb_descricao_detalhe", descrDetalheCols, descrDetalheFields, Later},
}};

// In the order of kLayouts, as the release's layout files give them.
constexpr std::array<FixedRecord, 39> kFixedRecords{{
    {21, 16},   {156, 0},  {22, 17},   {35, 30},   {330, 325}, {18, 13},  {41, 36},  {18, 13},
    {18, 13},   {22, 17},  {58, 53},   {129, 124}, {162, 157}, {108, 103}, {110, 105}, {112, 107},
    {68, 63},   {160, 155}, {108, 103}, {4016, 4011}, {24, 19}, {274, 0},  {109, 104}, {19, 14},
    // The later files.
    {460, 0},   {20, 0},   {160, 0},   {20, 0},    {53, 0},    {163, 0},  {20, 0},   {26, 21},
    {4154, 0},  {14, 0},   {41, 36},   {117, 112}, {27, 22},   {112, 107}, {4009, 4004},
}};
static_assert(kFixedRecords.size() == kLayouts.size());

} // namespace

std::span<const TableLayout> releaseLayouts() { return kLayouts; }

FixedRecord fixedRecord(const TableLayout& layout) { return kFixedRecords.at(static_cast<std::size_t>(layout.step - 1)); }

bool linksProcedures(const TableLayout& layout)
{
    return !layout.optional && std::string_view(layout.fileName).starts_with("rl_");
}

std::string TableLayout::insertStatement() const
{
    std::string cols, params;
    for (const char* c : insertColumns) {
        if (!cols.empty()) {
            cols += ", ";
            params += ", ";
        }
        cols += c;
        params += ':';
        params += c;
    }
    return std::string("insert into ") + table + " (" + cols + ") values (" + params + ")";
}

int TableLayout::insertIndex(std::string_view column) const
{
    for (std::size_t i = 0; i < insertColumns.size(); ++i)
        if (column == insertColumns[i]) return static_cast<int>(i);
    return -1;
}

} // namespace korvane
