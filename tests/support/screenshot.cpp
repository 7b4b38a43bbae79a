// Pictures of the windows as they look with a database, for looking at them:
// the main window at a size, after choosing a part of the hierarchy and
// typing; the lookup and update windows; the first page of a report as PDF.

#include "app/releasenotice.h"
#include "app/uKorvane.h"
#include "app/uAtualizar.h"
#include "app/uVerificar.h"
#include "app/uListaCodigos.h"
#include "app/uMudancas.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "support/widgets.h"
#include "ui/application.h"
#include "ui/dblookup.h"
#include "ui/reportoutput.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// With a release (a folder or a zip) named, how the window shows it before
// ATUALIZAR; with any other word, how it looks while a table loads.
int updateWindow(TfrmKorvane& w, const QString& out, const QString& release)
{
    TfrmAtualizar u(w.dtbDados());
    u.show();
    if (!release.isEmpty() && QFileInfo::exists(release)) {
        u.edtCaminho->setText(release);
        u.showReleaseInfo();
    } else if (!release.isEmpty()) {
        u.edtCaminho->setText(QStringLiteral("/home/faturamento/SIGTAP/TabelaUnificada_202206"));
        u.lblTabela->setText(QStringLiteral("TB_PROC_CBO"));
        u.pbTabela->setRange(0, 180222);
        u.pbTabela->setValue(120000);
        u.pbProgresso->setRange(0, 321811);
        u.pbProgresso->setValue(205000);
    }
    QTest::qWait(100);
    u.grab().save(out);
    return 0;
}

int lookupWindow(TfrmKorvane& w, const QString& out, bool cbos, const QString& search)
{
    std::unique_ptr<LookupWindow> lookup;
    if (cbos) lookup = std::make_unique<TfrmCbos>(w.dtbDados(), [](const QString&) {});
    else lookup = std::make_unique<TfrmCid10>(w.dtbDados(), [](const QString&) {});
    lookup->show();
    QTest::qWait(50);
    if (!search.isEmpty()) QTest::keyClicks(ktest::control<QLineEdit>(*lookup, "edtPesquise"), search);
    QTest::qWait(50);
    lookup->grab().save(out);
    return 0;
}

// The VERIFICAR window after a check: the fields as the command line's
// options name them ("--procedimento 0406010013 --sexo M ..."), the
// procedure the main window's search finds first when none is named.
int verificarWindow(TfrmKorvane& w, const QString& out, const QString& fields)
{
    TfrmVerificar v(w.dtbDados(), w.model().currentProcedureCode());
    v.show();
    const std::pair<const char*, QWidget*> edits[] = {
        {"--competencia", v.edtCompetencia}, {"--procedimento", v.edtProcedimento}, {"--quantidade", v.edtQuantidade},
        {"--idade", v.edtIdade}, {"--cid", v.edtCid}, {"--cids", v.edtCidSecundarios}, {"--cbo", v.edtCbo},
        {"--habilitacao", v.edtHabilitacoes}, {"--servico", v.edtServicos}, {"--secundario", v.edtSecundarios},
        {"--instrumento", v.cbxInstrumento}, {"--sexo", v.cbxSexo}};
    const QStringList words = fields.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int i = 0; i + 1 < words.size(); i += 2)
        for (const auto& [option, widget] : edits)
            if (words[i] == QLatin1String(option)) {
                const QString value = QString(words[i + 1]).replace(QLatin1Char('+'), QLatin1Char(' '));
                if (auto* box = qobject_cast<QComboBox*>(widget)) box->setCurrentIndex(box->findData(value));
                else static_cast<QLineEdit*>(widget)->setText(value);
            }
    QTest::mouseClick(v.btnVerificar, Qt::LeftButton);
    QTest::qWait(100);
    v.grab().save(out);
    return 0;
}

int reportPdf(TfrmKorvane& w, const QString& out, bool list, const QString& search)
{
    kui::PdfFileOutput pdf(out);
    kui::setReportOutput(&pdf);
    w.show();
    if (!search.isEmpty()) ktest::control<QLineEdit>(w, "edtPesquise")->setText(search);
    w.findChild<QAction*>(QString::fromLatin1(list ? "RelatrioSinttico1" : "Analtico1"))->trigger();
    kui::setReportOutput(nullptr);
    return 0;
}

// The list of codes with the codes given (any mask, any separation) consulted.
int codeListWindow(TfrmKorvane& w, const QString& out, const QString& codes)
{
    TfrmListaCodigos list(w.dtbDados(), [](const QString&) {});
    list.show();
    ktest::control<QPlainTextEdit>(list, "memCodigos")->setPlainText(codes);
    list.btnConsultarClick();
    QTest::qWait(100);
    list.grab().save(out);
    return 0;
}

// "03/01" chooses group 03 and subgroup 01 from the drop-downs, by keyboard.
bool chooseLevels(TfrmKorvane& w, const QStringList& levels)
{
    const char* names[] = {"dblGrupo", "dblSubGrupo", "dblFo"};
    for (int i = 0; i < levels.size() && i < 3; ++i) {
        auto* lookup = ktest::control<kui::DBLookupCombo>(w, names[i]);
        lookup->setFocus();
        QTest::qWait(20);
        lookup->showPopup();
        const int row = lookup->findText(levels[i], Qt::MatchStartsWith);
        if (row < 0) {
            std::fprintf(stderr, "no entry %s\n", qPrintable(levels[i]));
            return false;
        }
        lookup->view()->setCurrentIndex(lookup->view()->model()->index(row, 0));
        QTest::keyClick(lookup->view(), Qt::Key_Return);
        QTest::qWait(20);
    }
    return true;
}

int mainWindow(TfrmKorvane& w, const QString& out, const char* size, const QString& search, const char* page)
{
    int width = 1366, height = 768;
    std::sscanf(size, "%dx%d", &width, &height);
    w.resize(width, height);
    w.show();
    QTest::qWait(100);
    // "03/01:WORDS" chooses group 03 and subgroup 01, then types the words.
    QString words = search;
    if (const int colon = search.indexOf(QLatin1Char(':')); colon >= 0) {
        words = search.mid(colon + 1);
        if (!chooseLevels(w, search.left(colon).split(QLatin1Char('/'), Qt::SkipEmptyParts))) return 1;
    }
    if (!words.isEmpty()) {
        auto* box = ktest::control<QLineEdit>(w, "edtPesquise");
        box->setFocus();
        box->selectAll();   // typed over the code a lookup step put there
        QTest::keyClicks(box, words);
        QTest::qWait(50);
    }
    if (page) {   // a page of the lower tabs, by its position
        ktest::control<QTabWidget>(w, "PageControl1")->setCurrentIndex(std::atoi(page));
        QTest::qWait(50);
    }
    w.grab().save(out);
    return 0;
}

// "O QUE MUDOU" from the competência before the newest to the newest.
int mudancasWindow(TfrmKorvane& w, const QString& out)
{
    w.resize(1366, 768);
    w.show();
    TfrmMudancas f(w.model(), &w);
    f.resize(1366, 720);
    f.show();
    f.btnCompararClick();
    QTest::qWait(50);
    f.grab().save(out);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: korvane_screenshot DATABASE OUT.png [WxH|cbos|cid10|atualizar|notice|list|sheet|verificar|codigos|mudancas] [SEARCH] [PAGE]\n");
        return 2;
    }
    kui::Application app(argc, argv);
    kui::loadBundledFonts();
    TfrmKorvane w(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const std::string mode = argc > 3 ? argv[3] : "";
    const QString search = argc > 4 ? QString::fromUtf8(argv[4]) : QString();
    if (mode == "atualizar") return updateWindow(w, out, search);
    if (mode == "notice") {   // after the start-up look at the settings' download folder
        w.resize(1366, 768);
        w.show();
        QSignalSpy checked(&w.releaseNotice(), &ReleaseNotice::checked);
        w.checkForNewRelease();
        checked.wait(3000);
        w.grab().save(out);
        return 0;
    }
    if (mode == "verificar") return verificarWindow(w, out, search);
    if (mode == "cbos" || mode == "cid10") return lookupWindow(w, out, mode == "cbos", search);
    if (mode == "codigos") return codeListWindow(w, out, search);
    if (mode == "mudancas") return mudancasWindow(w, out);
    if (mode == "list" || mode == "sheet") return reportPdf(w, out, mode == "list", search);
    return mainWindow(w, out, mode.c_str(), search, argc > 5 ? argv[5] : nullptr);
}
