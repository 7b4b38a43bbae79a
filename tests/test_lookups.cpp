// The CBO and CID-10 lookup windows, opened from the main window and driven
// as a person would.

#include "app/uKorvane.h"
#include "ui/dbgrid.h"
#include "model/textindex.h"
#include "core/sqltext.h"
#include "db/query.h"
#include "db/transaction.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "support/fixture.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QApplication>
#include <QPointer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

class Lookups : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    void SetUp() override
    {
        main = std::make_unique<TfrmKorvane>(ktest::createFixtureDatabase(dir));
        main->show();
    }

    template <class Window>
    std::unique_ptr<Window> open()
    {
        auto w = std::make_unique<Window>(main->dtbDados(),
                                          [this](const QString& code) { handedBack.push_back(code); }, main.get());
        w->show();
        QApplication::setActiveWindow(w.get());
        return w;
    }

    static void type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        ktest::typeKeys(box, text);
    }

    static std::vector<std::string> column(kdata::RecordSet* ds, const char* field)
    {
        std::vector<std::string> out;
        ds->fetchAll();
        for (std::size_t r = 0; r < ds->recordCount(); ++r)
            out.push_back(ds->value(r, QString::fromLatin1(field)).toString());
        return out;
    }

    static void doubleClickFirstRow(kui::DBGrid* grid)
    {
        const QRect cell = grid->visualRect(grid->model()->index(0, 0));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.isValid() ? cell.center() : QPoint(20, 30));
    }

    ktest::TempDir dir;
    ktest::RecordingDialogs dialogs;
    std::unique_ptr<TfrmKorvane> main;
    std::vector<QString> handedBack;
};

using V = std::vector<std::string>;

TEST_F(Lookups, CboSearchTriesCodesThenNames)
{
    auto w = open<TfrmCbos>();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("KORVANE  NORTEVIA"));
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<QLineEdit>(*w, "edtPesquise"));
    EXPECT_EQ(w->codes()->recordCount() > 0, true);
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("2251"));
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"225124", "225125"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"223505", "225124", "225125", "225250"}));   // all, by code
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("medico"));
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("MEDICO"));
    EXPECT_EQ(column(w->codes(), "CBO_DESCR"),
              (V{"MEDICO CLINICO", "MEDICO GINECOLOGISTA E OBSTETRA", "MEDICO PEDIATRA"}));   // by name
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("XYZ"));
    EXPECT_TRUE(w->codes()->isEmpty());
    EXPECT_TRUE(w->procedures()->isEmpty());   // reloaded for an empty code
    EXPECT_TRUE(w->procedures()->isOpen());
}

TEST_F(Lookups, CidLettersAreCodesFirstAndNamesOnlyWhenNoCodeHoldsThem)
{
    auto w = open<TfrmCid10>();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("A"));
    EXPECT_EQ(column(w->codes(), "CID_COD"), (V{"A00 ", "A01 "}));   // "Hiperplasia" is not searched
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("CÓLERA"));
    EXPECT_EQ(column(w->codes(), "CID_COD"), (V{"A00 "}));
    EXPECT_EQ(column(w->procedures(), "CP_PROC"), (V{"0301010072", "0303010037"}));
}

// Codes with letters, as the occupation table has: a text found only inside
// such a code is found by code, whatever the case typed, and a text in no
// code goes on to the names.
TEST_F(Lookups, TextsInsideCodesWithLettersAreFoundByCode)
{
    {
        kdb::Transaction tr(main->dtbDados());
        kdb::Query q(main->dtbDados(), tr);
        q.setSql("insert into TB_CBO values ('2231F9', 'MEDICO RESIDENTE', null, null)");
        q.execute();
        q.setSql("insert into TB_CBO values ('2231A1', 'FINANCIADOR', null, null)");
        q.execute();
        tr.commit();
    }
    auto w = open<TfrmCbos>();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("1f9"));
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"2231F9"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("FI"));   // in no code: by name
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"2231A1"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("31A"));
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"2231A1"}));
}

// The codes held in memory must judge a text as the engine's "containing"
// does, or a search in memory would miss what the statement finds: asked
// for every piece of every code, in both cases, padded, and for texts no
// code holds, the two agree (for texts of plain letters and digits; the
// memory also takes accents away, as the names are searched).
TEST_F(Lookups, CodesInMemoryJudgeTextsAsTheEngineDoes)
{
    kdb::Connection& db = main->dtbDados();
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    const korvane::TextIndex cids(kdata::RowTable::read(db, tr, "select * from TB_CID"), "CID_COD", 4, "CID_DESCR",
                                  korvane::TextIndex::Order::ByColumn);
    ASSERT_GT(cids.size(), 3u);
    std::vector<std::string> texts = {"", " ", "j", "J18", "j18", "18 ", "A0", "a01", "0 ", "A00 ", "A000",
                                      "B20X", "Z", "ZZ", "A00  ", "\xF3", "C\xF3", "J18 X", "%", "_"};
    kdb::Query codes(db, tr);
    codes.setSql("select cid_cod from TB_CID");
    codes.open();
    codes.fetchAll();
    for (std::size_t r = 0; r < codes.rowCount(); ++r) {
        const std::string code = codes.value(r, 0).toString();
        for (std::size_t i = 0; i < code.size(); ++i)
            for (std::size_t n = 1; i + n <= code.size(); ++n) {
                std::string piece = code.substr(i, n);
                texts.push_back(piece);
                for (char& c : piece) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                texts.push_back(piece);
            }
    }
    // The text goes in as a literal, as the searches put it: a parameter
    // would be typed as the column and refuse longer texts.
    kdb::Query count(db, tr);
    for (const std::string& t : texts) {
        count.close();
        count.setSql("select count(*) from TB_CID where cid_cod containing" + korvane::sqlQuoted(t));
        count.open();
        const bool found = count.field(std::size_t{0}).toString() != "0";
        const bool plain = std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (found) EXPECT_FALSE(cids.byCode(t).empty()) << "'" << t << "'";
        else if (plain) EXPECT_TRUE(cids.byCode(t).empty()) << "'" << t << "'";
    }
}

TEST_F(Lookups, TheProcedureFilterStaysForEveryCodeVisited)
{
    auto w = open<TfrmCbos>();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("MEDICO"));
    ASSERT_EQ(w->codes()->field(QStringLiteral("CBO_COD")).toString(), "225125");
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0301010072", "0303010037"}));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseProc"), QStringLiteral("TRATAMENTO"));   // no code holds it: by name
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0303010037"}));
    ktest::control<kui::DBGrid>(*w, "DBGrid1")->setFocus();
    QTest::keyClick(ktest::control<kui::DBGrid>(*w, "DBGrid1"), Qt::Key_Down);
    EXPECT_EQ(w->codes()->field(QStringLiteral("CBO_COD")).toString(), "225250");
    EXPECT_TRUE(w->procedures()->isEmpty());   // its consultation is filtered out
    QTest::keyClick(ktest::control<kui::DBGrid>(*w, "DBGrid1"), Qt::Key_Up);
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0303010037"}));
    ktest::control<QLineEdit>(*w, "edtPesquiseProc")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquiseProc"), QStringLiteral("72"));
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0301010072"}));
    // A whole code, as long as the column, is still looked for among the codes.
    ktest::control<QLineEdit>(*w, "edtPesquiseProc")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquiseProc"), QStringLiteral("0303010037"));
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0303010037"}));
}

// Both boxes of a lookup read a text as the main box does.
TEST_F(Lookups, BothBoxesReadWhatAPersonTypes)
{
    auto w = open<TfrmCbos>();
    auto* upper = ktest::control<QLineEdit>(*w, "edtPesquise");
    type(upper, QStringLiteral("clínico médico"));   // stored "MEDICO CLINICO"
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"225125"}));
    upper->clear();
    type(upper, QStringLiteral("2251-25"));
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"225125"}));
    auto* lower = ktest::control<QLineEdit>(*w, "edtPesquiseProc");
    type(lower, QStringLiteral("03.01.01.007-2"));
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0301010072"}));
    lower->clear();
    type(lower, QStringLiteral("doenças tratamento"));
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0303010037"}));
    lower->clear();
    type(lower, QStringLiteral("' or ''='"));
    EXPECT_TRUE(w->procedures()->isOpen());
    EXPECT_TRUE(w->procedures()->isEmpty());

    auto cid = open<TfrmCid10>();
    type(ktest::control<QLineEdit>(*cid, "edtPesquise"), QStringLiteral("PROSTATA HIPERPLASIA"));   // stored with accents
    EXPECT_EQ(column(cid->codes(), "CID_COD"), (V{"N40 "}));
    EXPECT_TRUE(dialogs.errors.empty());
}

// Both boxes keep up with typing faster than they answer: one search, for
// the last text.
TEST_F(Lookups, FastTypingSearchesTheLastTextOnly)
{
    auto w = open<TfrmCbos>();
    auto* upper = ktest::control<QLineEdit>(*w, "edtPesquise");
    auto* lower = ktest::control<QLineEdit>(*w, "edtPesquiseProc");
    int codeSearches = 0, procedureSearches = 0;
    QObject::connect(w->codes(), &kdata::RecordSet::rowsReset, upper, [&] { ++codeSearches; });
    QObject::connect(w->procedures(), &kdata::RecordSet::rowsReset, upper, [&] { ++procedureSearches; });
    // What one search of each box costs.
    upper->setText(QStringLiteral("2251"));
    QApplication::processEvents();
    const int perCodeSearch = codeSearches;
    procedureSearches = 0;
    lower->setText(QStringLiteral("0301"));
    QApplication::processEvents();
    const int perProcedureSearch = procedureSearches;
    ASSERT_GT(perCodeSearch, 0);
    ASSERT_GT(perProcedureSearch, 0);
    upper->clear();
    lower->clear();
    QApplication::processEvents();

    codeSearches = procedureSearches = 0;
    type(upper, QStringLiteral("clínico médico"));
    EXPECT_EQ(codeSearches, perCodeSearch);
    EXPECT_EQ(column(w->codes(), "CBO_COD"), (V{"225125"}));
    procedureSearches = 0;
    type(lower, QStringLiteral("doenças tratamento"));
    EXPECT_EQ(procedureSearches, perProcedureSearch);
    EXPECT_EQ(column(w->procedures(), "PCBO_PROC"), (V{"0303010037"}));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(Lookups, DoubleClickHandsTheProcedureBackAndCloses)
{
    auto w = open<TfrmCid10>();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("J18"));
    ASSERT_EQ(column(w->procedures(), "CP_PROC"), (V{"0301010072"}));
    doubleClickFirstRow(ktest::control<kui::DBGrid>(*w, "DBGrid2"));
    ASSERT_EQ(handedBack.size(), 1u);
    EXPECT_EQ(handedBack[0], QStringLiteral("0301010072"));
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->codes()->isOpen());
    EXPECT_TRUE(w->procedures()->isOpen());   // the CID-10 window closes only its upper list

    auto cbo = open<TfrmCbos>();
    type(ktest::control<QLineEdit>(*cbo, "edtPesquise"), QStringLiteral("NOTHING"));
    doubleClickFirstRow(ktest::control<kui::DBGrid>(*cbo, "DBGrid2"));
    ASSERT_EQ(handedBack.size(), 2u);
    EXPECT_TRUE(handedBack[1].isEmpty());
    EXPECT_FALSE(cbo->procedures()->isOpen());
}

TEST_F(Lookups, ApostrophesAreSearchedAsTyped)
{
    auto w = open<TfrmCbos>();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("D'A"));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseProc"), QStringLiteral("'; drop"));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(w->codes()->isOpen());
    EXPECT_TRUE(w->procedures()->isOpen());
}

TEST_F(Lookups, FromTheMainWindowTheHandBackSearchesAndTheWindowGoes)
{
    QApplication::setActiveWindow(main.get());
    QPointer<QWidget> seen;
    QTimer::singleShot(50, [&] {
        auto* w = qobject_cast<LookupWindow*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        seen = w;
        type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("225124"));
        doubleClickFirstRow(ktest::control<kui::DBGrid>(*w, "DBGrid2"));
    });
    QTest::mouseClick(main->findChild<QWidget*>(QStringLiteral("btnCbos")), Qt::LeftButton);
    EXPECT_TRUE(seen.isNull());   // destroyed after use
    EXPECT_EQ(ktest::control<QLineEdit>(*main, "edtPesquise")->text(), QStringLiteral("0301060010"));
    ASSERT_EQ(main->model().qryTbProc()->recordCount(), 1u);

    // Handing back the code already in the box still runs the search.
    main->model().qryTbProc()->close();
    QTimer::singleShot(50, [&] {
        auto* w = qobject_cast<LookupWindow*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("225124"));
        doubleClickFirstRow(ktest::control<kui::DBGrid>(*w, "DBGrid2"));
    });
    QTest::mouseClick(main->findChild<QWidget*>(QStringLiteral("btnCbos")), Qt::LeftButton);
    EXPECT_TRUE(main->model().qryTbProc()->isOpen());
    EXPECT_EQ(main->model().qryTbProc()->recordCount(), 1u);
}

TEST_F(Lookups, EscapeAndSairCloseAndTheMainWindowIsUsableAgain)
{
    QApplication::setActiveWindow(main.get());
    QPointer<QWidget> first, second;
    QTimer::singleShot(50, [&] {
        first = QApplication::activeModalWidget();
        ASSERT_TRUE(first);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    QTest::mouseClick(main->findChild<QWidget*>(QStringLiteral("btnCid10")), Qt::LeftButton);
    EXPECT_TRUE(first.isNull());
    QTimer::singleShot(50, [&] {
        auto* w = qobject_cast<LookupWindow*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        second = w;
        QTest::mouseClick(ktest::control<QPushButton>(*w, "BitBtn1"), Qt::LeftButton);
    });
    QTest::mouseClick(main->findChild<QWidget*>(QStringLiteral("btnCbos")), Qt::LeftButton);
    EXPECT_TRUE(second.isNull());
    EXPECT_FALSE(QApplication::activeModalWidget());
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Lookups, EnterMovesOnInTabOrder)
{
    auto w = open<TfrmCbos>();
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    QTest::keyClick(ktest::control<QLineEdit>(*w, "edtPesquise"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<kui::DBGrid>(*w, "DBGrid1"));
    QTest::keyClick(ktest::control<kui::DBGrid>(*w, "DBGrid1"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<QLineEdit>(*w, "edtPesquiseProc"));
    EXPECT_TRUE(w->isVisible());
}

} // namespace
